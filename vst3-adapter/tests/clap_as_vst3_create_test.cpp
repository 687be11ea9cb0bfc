// The factory over our plug-in's entry makes ClapAsVst3 objects for its audio-module class.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "clap/library.hpp"
#include "clap_as_vst3.hpp"
#include "entry/factory.hpp"
#include "ondrix_entry.hpp"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace {

using namespace Steinberg;

TEST(ClapAsVst3Create, MakesTheComponentOfOurPluginsClass) {
    Clap::Library library;
    library.useStaticEntry(&vantrel_ondrix_plugin_entry, nullptr);
    Vst3Adapter::CreationContexts contexts;
    std::optional<PFactoryInfo> info;
    testing::internal::CaptureStdout();
    IPluginFactory* factory =
        Vst3Adapter::getPluginFactory({library, contexts, info, &ClapAsVst3::createInstance});
    ASSERT_NE(factory, nullptr);
    PClassInfo audio;
    ASSERT_EQ(factory->getClassInfo(0, &audio), kResultOk);

    Vst::IComponent* component = nullptr;
    ASSERT_EQ(factory->createInstance(audio.cid, Vst::IComponent::iid.toTUID(),
                                      reinterpret_cast<void**>(&component)),
              kResultOk);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find(") creating plugin Vantrel Ondrix (#0)\n"), std::string::npos) << log;
    for (const FUID* iid : {&Vst::IAudioProcessor::iid, &Vst::IEditController::iid}) {
        FUnknown* other = nullptr;
        ASSERT_EQ(component->queryInterface(iid->toTUID(), reinterpret_cast<void**>(&other)),
                  kResultOk);
        other->release();
    }
    EXPECT_EQ(component->release(), 0u) << "the caller held the only reference";
    EXPECT_EQ(factory->release(), 0u);
}

}  // namespace
