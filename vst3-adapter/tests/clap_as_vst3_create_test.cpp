// The factory over our plug-in's entry makes ClapAsVst3 objects for its audio-module class.
#include <optional>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "clap/library.hpp"
#include "clap_as_vst3.hpp"
#include "entry/factory.hpp"
#include "ondrix_entry.hpp"
#include "our_class.hpp"
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
    const auto log = vst3_testing::logLines(testing::internal::GetCapturedStdout());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().function, "GetPluginFactoryEntryPoint");
    EXPECT_EQ(log.front().file, __FILE__) << "where the factory was asked for";
    const vst3_testing::LogLine& creating = log.back();
    EXPECT_EQ(creating.message, "creating plugin Vantrel Ondrix (#0)");
    EXPECT_EQ(creating.function, "ClapAsVst3::createInstance");
    EXPECT_THAT(creating.file, testing::EndsWith("/vst3-adapter/src/clap_as_vst3_create.cpp"));
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
