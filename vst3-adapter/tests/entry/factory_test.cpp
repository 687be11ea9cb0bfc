#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "factory_fixture.hpp"
#include "entry/companions.hpp"
#include "helpers/class_id.hpp"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "public.sdk/source/common/memorystream.h"
#include "sdk/ara_interfaces.hpp"
#include "sdk/plugin_compatibility.hpp"
#include "sdk/plugin_factory.hpp"

namespace entry_testing {
namespace {

using namespace Steinberg;
using clap_host_testing::FakeDescriptor;
using ::testing::ElementsAre;

using Bytes = std::array<unsigned char, 16>;

Bytes bytesOf(const TUID cid) {
    Bytes bytes;
    std::memcpy(bytes.data(), cid, bytes.size());
    return bytes;
}

const char* const features[] = {"note-effect", "utility", nullptr};

struct OurPlugin : FactoryFixture {
    FakeDescriptor descriptor{"app.vantrel.ondrix.plugin", "Vantrel Ondrix"};

    void SetUp() override {
        FactoryFixture::SetUp();
        descriptor.raw.vendor = "Orbwright Audio";
        descriptor.raw.version = "0.1.0";
        descriptor.raw.features = features;
        plugins.descriptors = {&descriptor.raw};
    }
};

TEST_F(OurPlugin, ListsOneAudioModuleClassWithANameBasedId) {
    setUpLibrary();
    std::vector<std::string> log;
    IPluginFactory* factory = getFactory(&log);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory, gPluginFactory);
    EXPECT_EQ(log, vst3_testing::ourFactoryLog);

    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    vst3_testing::expectOurFactoryInfo(info);
    ASSERT_EQ(factory->countClasses(), 1);
    vst3_testing::expectOurAudioModuleClass(classAt(0));
}

TEST_F(OurPlugin, ASecondCallHandsOutTheSameFactoryQuietlyUntilItIsReleased) {
    setUpLibrary();
    IPluginFactory* first = getFactory();
    ASSERT_NE(first, nullptr);
    std::vector<std::string> log;
    EXPECT_EQ(getFactory(&log), first);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(first->addRef(), 3u) << "the second call took one more reference";
    first->release();

    // Once the host let go of it, the next call builds a factory again, over the same contexts.
    for (IPluginFactory* factory : held) factory->release();
    held.clear();
    EXPECT_EQ(gPluginFactory, nullptr);
    IPluginFactory* again = getFactory(&log);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->countClasses(), 1);
    EXPECT_EQ(contexts.size(), 1u);
    EXPECT_EQ(log.at(1), "created factory for vendor 'Orbwright Audio'");
}

TEST_F(OurPlugin, CreatesTheAudioModuleWithItsContextAndNothingForAnotherId) {
    setUpLibrary();
    IPluginFactory* factory = getFactory();
    ASSERT_NE(factory, nullptr);
    const PClassInfo2 audio = classAt(0);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(reinterpret_cast<const char*>(vst3_testing::ourClassId + 1),
                                      FUnknown::iid.toTUID(), &object),
              kNoInterface);
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(madeComponents.empty());

    ::testing::internal::CaptureStdout();
    ASSERT_EQ(factory->createInstance(audio.cid, FUnknown::iid.toTUID(), &object), kResultOk);
    EXPECT_THAT(logMessages(::testing::internal::GetCapturedStdout()),
                ElementsAre("creating plugin Vantrel Ondrix (#0)"));
    ASSERT_EQ(madeComponents.size(), 1u);
    EXPECT_EQ(madeComponents[0].library, &library);
    EXPECT_EQ(madeComponents[0].index, 0);
    ASSERT_EQ(madeComponents[0].context, contexts.at(0).get());
    EXPECT_EQ(std::memcmp(&madeComponents[0].context->classinfo, &audio, sizeof audio), 0);
    EXPECT_EQ(static_cast<FUnknown*>(object)->release(), 0u) << "the caller held the only one";

    EXPECT_EQ(createForTest(nullptr), nullptr);

    // A failure while making the component reaches the host as no object.
    makingThrows = true;
    object = reinterpret_cast<void*>(1);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(factory->createInstance(audio.cid, FUnknown::iid.toTUID(), &object), kNoInterface);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(object, nullptr);
}

TEST_F(FactoryFixture, VendorsFallBackAsTheFactoryAndTheClassesDo) {
    struct Case {
        const char* vendor;
        const char* factoryVendor;
        const char* classVendor;
    };
    const Case cases[] = {
        {nullptr, "Unspecified Vendor", "Unspecified Vendor"},
        {"", "", "Unspecified Vendor"},
        {"Fake Vendor", "Fake Vendor", "Fake Vendor"},
    };
    FakeDescriptor descriptor{"fake.plugin"};
    plugins.descriptors = {&descriptor.raw};
    setUpLibrary();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factoryVendor);
        descriptor.raw.vendor = c.vendor;
        factoryInfo.reset();  // the module makes its record once; each case stands for a module
        IPluginFactory* factory = getFactory();
        ASSERT_NE(factory, nullptr);
        PFactoryInfo info;
        factory->getFactoryInfo(&info);
        EXPECT_STREQ(info.vendor, c.factoryVendor);
        EXPECT_STREQ(classAt(0).vendor, c.classVendor);
        EXPECT_STREQ(classAt(0).version, "") << "no version given";
        factory->release();
        held.clear();
    }
}

// The VST3 information the fake factories below hand out.
const uint8_t componentId[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const clap_plugin_info_as_vst3_t vst3Info{"Info Vendor", componentId, "Fx|Delay"};
const clap_plugin_info_as_vst3_t* vst3InfoOf(const clap_plugin_factory_as_vst3_t*, uint32_t) {
    return &vst3Info;
}
const char* compatibilityJson(const clap_plugin_factory_as_vst3_t*) {
    return R"([{"New":"986A9A7BC0F55BABBC97607C9387BB0D","Old":["00000000000000000000000000000001"]}])";
}
const char* emptyJson(const clap_plugin_factory_as_vst3_t*) {
    return "";
}

TEST_F(OurPlugin, TakesVendorTextsClassIdAndSubCategoriesFromTheVst3Information) {
    const clap_plugin_factory_as_vst3_t vst3{"Factory Vendor", "https://example.org/",
                                             "someone@example.org", &vst3InfoOf, nullptr};
    setUpLibrary({{CLAP_PLUGIN_FACTORY_INFO_VST3_V0, &vst3}});
    std::vector<std::string> log;
    IPluginFactory* factory = getFactory(&log);
    ASSERT_NE(factory, nullptr);
    EXPECT_THAT(log, ElementsAre("detected entrypoint in this binary",
                                 "detected extension `clap.plugin-factory-info-as-vst3/0`",
                                 "created factory for vendor 'Factory Vendor'",
                                 "number of plugins in factory: 1", "  plugin #0: 'Vantrel Ondrix'",
                                 "  plugin supports extension 'clap.plugin-info-as-vst3/0'",
                                 "plugin id: app.vantrel.ondrix.plugin -> "
                                 "01 02030405 06070809 0A0B0C0D 0E0F10"));
    PFactoryInfo info;
    factory->getFactoryInfo(&info);
    EXPECT_STREQ(info.vendor, "Factory Vendor");
    EXPECT_STREQ(info.url, "https://example.org/");
    EXPECT_STREQ(info.email, "someone@example.org");

    const PClassInfo2 audio = classAt(0);
    EXPECT_EQ(bytesOf(audio.cid), (Bytes{4, 3, 2, 1, 6, 5, 8, 7, 9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_STREQ(audio.vendor, "Info Vendor");
    EXPECT_STREQ(audio.subCategories, "Fx|Delay");
}

// A stream that takes 8 bytes and then no more, and says so. Lives on the test's stack.
struct ShortStream : IBStream {
    int32 taken = 0;
    tresult PLUGIN_API queryInterface(const TUID, void** object) override {
        *object = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    tresult PLUGIN_API read(void*, int32, int32*) override { return kResultFalse; }
    tresult PLUGIN_API write(void*, int32 count, int32* written) override {
        const int32 now = std::min(count, 8 - taken);
        taken += now;
        if (written != nullptr) *written = now;
        return kResultOk;
    }
    tresult PLUGIN_API seek(int64, int32, int64*) override { return kResultFalse; }
    tresult PLUGIN_API tell(int64*) override { return kResultFalse; }
};

TEST_F(OurPlugin, ListsTheCompatibilityClassAndHandsOutItsText) {
    const clap_plugin_factory_as_vst3_t vst3{nullptr, nullptr, nullptr, nullptr,
                                             &compatibilityJson};
    setUpLibrary({{CLAP_PLUGIN_FACTORY_INFO_VST3, &vst3}});
    std::vector<std::string> log;
    IPluginFactory* factory = getFactory(&log);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(log.at(1), "detected extension `clap.plugin-factory-info-as-vst3/1`");
    EXPECT_EQ(log.back(), "registering IPluginCompatibility class");
    ASSERT_EQ(factory->countClasses(), 2);
    const PClassInfo2 compatibility = classAt(1);
    EXPECT_EQ(bytesOf(compatibility.cid),
              (Bytes{0x03, 0xD5, 0x12, 0x38, 0x7E, 0x6F, 0x58, 0x2B, 0xBB, 0x3B, 0x1D, 0x86, 0xE6,
                     0x5E, 0x30, 0x9F}));
    EXPECT_STREQ(compatibility.category, "Plugin Compatibility Class");
    EXPECT_STREQ(compatibility.name, "Compatibility");
    EXPECT_STREQ(compatibility.subCategories, "");
    EXPECT_STREQ(compatibility.vendor, "Orbwright Audio") << "the factory's vendor";
    EXPECT_STREQ(compatibility.version, "");
    EXPECT_STREQ(compatibility.sdkVersion, "VST 3.8.0");

    void* object = nullptr;
    ASSERT_EQ(factory->createInstance(compatibility.cid, IPluginCompatibility::iid.toTUID(),
                                      &object),
              kResultOk);
    auto* made = static_cast<IPluginCompatibility*>(object);
    auto* stream = new MemoryStream;
    EXPECT_EQ(made->getCompatibilityJSON(stream), kResultOk);
    EXPECT_EQ(std::string(stream->getData(), static_cast<std::size_t>(stream->getSize())),
              compatibilityJson(nullptr));
    stream->release();
    EXPECT_EQ(made->getCompatibilityJSON(nullptr), kResultFalse);
    ShortStream full;
    EXPECT_EQ(made->getCompatibilityJSON(&full), kResultFalse);
    EXPECT_EQ(full.taken, 8);

    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(made->queryInterface(IPluginFactory::iid.toTUID(), &other), kNoInterface);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(made->queryInterface(FUnknown::iid.toTUID(), nullptr), kInvalidArgument);
    EXPECT_EQ(made->release(), 0u);
}

TEST_F(OurPlugin, AnEmptyCompatibilityTextListsNoClass) {
    const clap_plugin_factory_as_vst3_t vst3{nullptr, nullptr, nullptr, nullptr, &emptyJson};
    setUpLibrary({{CLAP_PLUGIN_FACTORY_INFO_VST3, &vst3}});
    IPluginFactory* factory = getFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->countClasses(), 1);
}

// An ARA factory with two entries, the second for a plug-in the CLAP side does not list.
const char araRecords[2] = {'a', 'b'};
uint32_t araCount(const clap_ara_factory_t*) {
    return 2;
}
const void* araRecord(const clap_ara_factory_t*, uint32_t index) {
    return &araRecords[index];
}
const char* araPluginId(const clap_ara_factory_t*, uint32_t index) {
    return index == 0 ? "app.vantrel.ondrix.plugin" : "not.listed";
}
const clap_ara_factory_t araFactory{&araCount, &araRecord, &araPluginId};

TEST_F(OurPlugin, ListsAnAraClassForEachAraEntryWithADescriptor) {
    setUpLibrary({{CLAP_EXT_ARA_FACTORY, &araFactory}});
    std::vector<std::string> log;
    IPluginFactory* factory = getFactory(&log);
    ASSERT_NE(factory, nullptr);
    EXPECT_THAT(std::vector<std::string>(log.end() - 3, log.end()),
                ElementsAre("creating ARA companion factories", "number of ARA plugins: 2",
                            "number of ARA plugins: 2"));
    ASSERT_EQ(factory->countClasses(), 2);
    const PClassInfo2 ara = classAt(1);
    const Crypto::Uuid uuid = Crypto::create_sha1_guid_from_name("app.vantrel.ondrix.plugin-ARA",
                                                                 29);
    std::array<char, 16> expected;
    std::memcpy(expected.data(), &uuid, 16);
    Vst3Adapter::detail::makeCIDComCompatible(expected);
    EXPECT_EQ(std::memcmp(ara.cid, expected.data(), 16), 0);
    EXPECT_STREQ(ara.category, "ARA Main Factory Class");
    EXPECT_STREQ(ara.name, "Vantrel Ondrix");
    EXPECT_STREQ(ara.vendor, "");
    EXPECT_STREQ(ara.version, "0.1.0");

    void* object = nullptr;
    ASSERT_EQ(factory->createInstance(ara.cid, ARA::IMainFactory::iid.toTUID(), &object),
              kResultOk);
    auto* main = static_cast<ARA::IMainFactory*>(object);
    EXPECT_EQ(static_cast<const void*>(main->getFactory()), &araRecords[0]);
    EXPECT_EQ(static_cast<Vst3Adapter::ARAMainFactory*>(main)->getClassId(),
              FUID::fromTUID(ara.cid));
    EXPECT_EQ(main->queryInterface(FUnknown::iid.toTUID(), nullptr), kInvalidArgument);
    EXPECT_EQ(main->release(), 0u);
}

TEST_F(FactoryFixture, AnEntryWithoutPluginsGivesNoFactory) {
    setUpLibrary();
    std::vector<std::string> log;
    EXPECT_EQ(getFactory(&log), nullptr);
    EXPECT_THAT(log, ElementsAre("detected entrypoint in this binary", "no plugin has been found"));
    EXPECT_EQ(gPluginFactory, nullptr);
}

}  // namespace
}  // namespace entry_testing
