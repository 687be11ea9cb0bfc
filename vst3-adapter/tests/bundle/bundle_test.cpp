// The bundle as a host meets it: opened with the dynamic loader, entered, asked for its factory,
// left and closed, twice in one process. Nothing of the module is linked into this program.
#include <dlfcn.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pluginterfaces/base/ipluginbase.h"

namespace {

using namespace Steinberg;
using ::testing::ElementsAre;

constexpr const char* kBundle = ONDRIX_VST3_BUNDLE;

// The messages of log lines, each after its "file:line (function) " prefix; a line without one
// is kept whole and marked.
std::vector<std::string> logMessages(const std::string& out) {
    std::vector<std::string> messages;
    std::istringstream lines(out);
    for (std::string text; std::getline(lines, text);) {
        const std::size_t colon = text.find(".cpp:");
        const std::size_t function = text.find(" (");
        const std::size_t end = text.find(") ");
        if (colon == std::string::npos || function == std::string::npos ||
            end == std::string::npos || colon > function || function > end) {
            messages.push_back("UNPREFIXED: " + text);
        } else {
            messages.push_back(text.substr(end + 2));
        }
    }
    return messages;
}

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
    EXPECT_THAT(logMessages(::testing::internal::GetCapturedStdout()),
                ElementsAre("detected entrypoint in this binary",
                            "created factory for vendor 'Orbwright Audio'",
                            "number of plugins in factory: 1", "  plugin #0: 'Vantrel Ondrix'",
                            "plugin id: app.vantrel.ondrix.plugin -> "
                            "7B 9A6A98F5 C0AB5BBC 97607C93 87BB0D"));
    ASSERT_NE(factory, nullptr);

    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Orbwright Audio");
    EXPECT_STREQ(info.url, "");
    EXPECT_STREQ(info.email, "");
    EXPECT_EQ(info.flags, 16);

    ASSERT_EQ(factory->countClasses(), 1);
    const unsigned char classId[16] = {0x98, 0x6A, 0x9A, 0x7B, 0xC0, 0xF5, 0x5B, 0xAB,
                                       0xBC, 0x97, 0x60, 0x7C, 0x93, 0x87, 0xBB, 0x0D};
    IPluginFactory3* factory3 = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid.toTUID(),
                                      reinterpret_cast<void**>(&factory3)),
              kResultOk);
    PClassInfo2 audio;
    ASSERT_EQ(factory3->getClassInfo2(0, &audio), kResultOk);
    EXPECT_EQ(std::memcmp(audio.cid, classId, 16), 0);
    EXPECT_EQ(audio.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(audio.category, "Audio Module Class");
    EXPECT_STREQ(audio.name, "Vantrel Ondrix");
    EXPECT_EQ(audio.classFlags, 0u);
    EXPECT_STREQ(audio.subCategories, "Instrument|Synth|Tools");
    EXPECT_STREQ(audio.vendor, "Orbwright Audio");
    EXPECT_STREQ(audio.version, "0.1.0");
    EXPECT_STREQ(audio.sdkVersion, "VST 3.8.0");

    PClassInfoW unicode;
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &unicode), kResultOk);
    EXPECT_EQ(std::memcmp(unicode.cid, classId, 16), 0);
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
