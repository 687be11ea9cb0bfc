#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pslextensions/ipslgainreduction.h"
#include "sdk/ara_interfaces.hpp"
#include "sdk/plugin_compatibility.hpp"

#include <string>

#include <gtest/gtest.h>

namespace {

using Steinberg::FUID;

std::string text_of(const FUID& id) {
    char text[33] = {};
    id.toString(text);
    return text;
}

// The IDs a host asks for must be the published ones, whether the copy defines them or we do.
TEST(InterfaceIds, AreThePublishedValues) {
    struct Row {
        const FUID& id;
        const char* text;
    };
    const Row rows[] = {
        {Steinberg::IPlugView::iid, "5BC32507D06049EAA6151B522B755B29"},
        {Steinberg::IPlugFrame::iid, "367FAF01AFA946938D4DA2A0ED0882A3"},
        {Steinberg::IPlugViewContentScaleSupport::iid, "65ED96908AC445258AADEF7A72EA703F"},
        {Steinberg::Linux::IRunLoop::iid, "18C3536697764F1A9C5B83857A871389"},
        {Steinberg::Linux::IEventHandler::iid, "561E65C913A0496F813A2C35654D7983"},
        {Steinberg::Linux::ITimerHandler::iid, "10BDD94F41424774821FAD8FECA72CA9"},
        {Presonus::IGainReductionInfo::iid, "8E3C292C95924F9DB2590B1E100E4198"},
        {Steinberg::IPluginCompatibility::iid, "4AFD4B6A35D7C240A5C31414FB7D15E6"},
        {ARA::IMainFactory::iid, "DB2A1669FAFD42A5A82F864F7B6872EA"},
        {ARA::IPlugInEntryPoint::iid, "12814E54A1CE407682B9681316950BD6"},
        {ARA::IPlugInEntryPoint2::iid, "CD9A5913C9EB46D796CA53ADD1DB89F5"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(text_of(row.id), row.text);
    }
}

}  // namespace
