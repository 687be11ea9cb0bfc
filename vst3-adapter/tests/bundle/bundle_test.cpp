// The bundle as a host meets it: opened with the dynamic loader, entered, asked for its factory,
// left and closed, twice in one process. Nothing of the module is linked into this program.
#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../our_class.hpp"
#include "pluginterfaces/base/ipluginbase.h"

namespace {

using namespace Steinberg;

constexpr const char* kBundle = ONDRIX_VST3_BUNDLE;

std::u16string wide(const char16* text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

// One load of the bundle, from dlopen to dlclose.
void loadUseAndUnload() {
    void* module = dlopen(kBundle, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto* moduleEntry = reinterpret_cast<bool (*)(void*)>(dlsym(module, "ModuleEntry"));
    auto* moduleExit = reinterpret_cast<bool (*)()>(dlsym(module, "ModuleExit"));
    auto* getFactory = reinterpret_cast<IPluginFactory* (*)()>(dlsym(module, "GetPluginFactory"));
    ASSERT_TRUE(moduleEntry != nullptr && moduleExit != nullptr && getFactory != nullptr);
    ASSERT_TRUE(moduleEntry(module));

    ::testing::internal::CaptureStdout();
    IPluginFactory* factory = getFactory();
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(vst3_testing::logMessages(log), vst3_testing::ourFactoryLog);
    // Each line says where: the module's entry unit, and the function of the factory's building.
    for (const vst3_testing::LogLine& line : vst3_testing::logLines(log)) {
        EXPECT_THAT(line.file, ::testing::EndsWith("/vst3-adapter/module/vst3_entry.cpp"));
        EXPECT_GT(line.line, 0);
        EXPECT_EQ(line.function, "GetPluginFactoryEntryPoint");
    }
    ASSERT_NE(factory, nullptr);

    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    vst3_testing::expectOurFactoryInfo(info);
    ASSERT_EQ(factory->countClasses(), 1);
    IPluginFactory3* factory3 = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid.toTUID(),
                                      reinterpret_cast<void**>(&factory3)),
              kResultOk);
    PClassInfo2 audio;
    ASSERT_EQ(factory3->getClassInfo2(0, &audio), kResultOk);
    vst3_testing::expectOurAudioModuleClass(audio);

    PClassInfoW unicode;
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &unicode), kResultOk);
    EXPECT_EQ(std::memcmp(unicode.cid, vst3_testing::ourClassId, 16), 0);
    EXPECT_EQ(unicode.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(unicode.category, "Audio Module Class");
    EXPECT_EQ(wide(unicode.name), u"Vantrel Ondrix");
    EXPECT_EQ(unicode.classFlags, 0u);
    EXPECT_STREQ(unicode.subCategories, "Instrument|Synth|Tools");
    EXPECT_EQ(wide(unicode.vendor), u"Orbwright Audio");
    EXPECT_EQ(wide(unicode.version), u"0.1.0");
    EXPECT_EQ(wide(unicode.sdkVersion), u"VST 3.8.0");
    factory3->release();

    ::testing::internal::CaptureStdout();
    IPluginFactory* again = getFactory();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(again, factory);
    EXPECT_EQ(factory->release(), 1u) << "the second call took one more reference";
    EXPECT_EQ(again->release(), 0u);

    EXPECT_TRUE(moduleExit());
    EXPECT_EQ(dlclose(module), 0);
    void* stillLoaded = dlopen(kBundle, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(stillLoaded, nullptr) << "the bundle stayed loaded";
    if (stillLoaded != nullptr) dlclose(stillLoaded);
}

TEST(Bundle, IsLoadedUsedAndUnloadedTwice) {
    for (int load = 1; load <= 2; ++load) {
        SCOPED_TRACE(load);
        loadUseAndUnload();
    }
}

}  // namespace
