#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap/library.hpp"
#include "fake_clap.hpp"
#include "ondrix_entry.hpp"
#include "test_files.hpp"

namespace clap_host_testing {
namespace {

using Clap::Library;

std::vector<std::string> idsOf(const Library& library) {
    std::vector<std::string> ids;
    for (const clap_plugin_descriptor_t* d : library.plugins()) ids.emplace_back(d->id);
    return ids;
}

// VST3 information the fake factories below hand out.
const uint8_t componentId[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const clap_plugin_info_as_vst3_t vst3Info{"Vst3 Vendor", componentId, "Fx|Delay"};

const clap_plugin_info_as_vst3_t* vst3InfoOf(const clap_plugin_factory_as_vst3_t*, uint32_t index) {
    return index == 0 ? &vst3Info : nullptr;
}
const char* compatibility(const clap_plugin_factory_as_vst3_t*) {
    return "[{\"New\":\"x\"}]";
}
// A version-0 factory may end before the compatibility function; reading it is a fault.
const char* notToBeCalled(const clap_plugin_factory_as_vst3_t*) {
    ADD_FAILURE() << "the compatibility function of a version-0 factory was called";
    return "wrong";
}

const clap_plugin_factory_as_vst3_t vst3Version1{nullptr, nullptr, nullptr, &vst3InfoOf,
                                                 &compatibility};
const clap_plugin_factory_as_vst3_t vst3Version0{"V", "U", "E", &vst3InfoOf, &notToBeCalled};
const clap_plugin_factory_as_auv2_t auv2{"Orbw", "Orbwright", nullptr};
const char aaxDescription[] = "aax";
const void* aaxInfoOf(const clap_plugin_factory_as_aax_t*, uint32_t index) {
    return index == 0 ? aaxDescription : nullptr;
}
const clap_plugin_factory_as_aax_t aax{&aaxInfoOf};
const clap_ara_factory_t ara{nullptr, nullptr, nullptr};

TEST(Library, TakesOurPluginsEntryAsAStaticEntry) {
    {
        Library library;
        EXPECT_FALSE(library.hasEntryPoint()) << "this test program is not in a bundle";
        library.useStaticEntry(&vantrel_ondrix_plugin_entry, nullptr);
        EXPECT_TRUE(library.hasEntryPoint());
        ASSERT_NE(library.pluginFactory(), nullptr);
        EXPECT_EQ(idsOf(library), std::vector<std::string>{"app.vantrel.ondrix.plugin"});
        ASSERT_NE(library.auv2InfoFactory(), nullptr);
        EXPECT_STREQ(library.auv2InfoFactory()->manufacturer_code, "Orbw");
        EXPECT_EQ(library.vst3InfoFactory(), nullptr);
        EXPECT_EQ(library.get_vst3_info(0), nullptr);
        EXPECT_EQ(library.get_vst3_compatibility(), nullptr);
        EXPECT_EQ(library.aaxInfoFactory(), nullptr);
        EXPECT_EQ(library.araFactory(), nullptr);

        const clap_plugin_factory_t* factory = library.pluginFactory();
        library.useStaticEntry(&vantrel_ondrix_plugin_entry, "/elsewhere");
        EXPECT_EQ(library.pluginFactory(), factory) << "the entry held is not set up again";
    }
    // Every init was matched by a deinit: the plug-in's entry holds no factory now.
    EXPECT_EQ(vantrel_ondrix_plugin_entry.get_factory(CLAP_PLUGIN_FACTORY_ID), nullptr);
}

TEST(Library, CollectsTheFactoriesAndCompatibleDescriptorsAnEntryOffers) {
    const FakeDescriptor first("first"), second("second"), third("third");
    const FakeDescriptor old("old", "Old", clap_version_t{0, 9, 0});
    const FakeDescriptor noId(nullptr), noName("no-name", nullptr);

    struct Case {
        const char* what;
        std::vector<const clap_plugin_descriptor_t*> descriptors;
        bool sameObjectForEveryId = false;
        const clap_plugin_factory_as_vst3_t* vst3 = nullptr;
        const clap_plugin_factory_as_vst3_t* vst3V0 = nullptr;
        bool initAnswer = true;
        // What the library holds then.
        std::vector<std::string> ids;
        const char* compatibility = nullptr;
    };
    const std::vector<Case> cases = {
        {"one object for every id", {&first.raw}, true, nullptr, nullptr, true, {"first"}},
        {"version 1 of the VST3 information, with compatibility",
         {&first.raw},
         false,
         &vst3Version1,
         &vst3Version0,
         true,
         {"first"},
         "[{\"New\":\"x\"}]"},
        {"version 0 of the VST3 information only",
         {&first.raw},
         false,
         nullptr,
         &vst3Version0,
         true,
         {"first"}},
        {"an incompatible descriptor in the middle",
         {&first.raw, &old.raw, &second.raw},
         false,
         nullptr,
         nullptr,
         true,
         {"first", "second"}},
        {"descriptors that are null or lack an id or a name",
         {nullptr, &noId.raw, &first.raw, &noName.raw, &third.raw},
         false,
         nullptr,
         nullptr,
         true,
         {"first", "third"}},
        {"an init that fails", {&first.raw}, false, &vst3Version1, nullptr, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFactory factory;
        factory.descriptors = c.descriptors;
        FakeEntry fake;
        fake.initAnswer = c.initAnswer;
        const void* everything = factory.raw();
        fake.factories = {
            {CLAP_PLUGIN_FACTORY_ID, factory.raw()},
            {CLAP_PLUGIN_FACTORY_INFO_VST3, c.sameObjectForEveryId ? everything : c.vst3},
            {CLAP_PLUGIN_FACTORY_INFO_VST3_V0, c.sameObjectForEveryId ? everything : c.vst3V0},
            {CLAP_PLUGIN_FACTORY_INFO_AUV2, c.sameObjectForEveryId ? everything : &auv2},
            {CLAP_PLUGIN_FACTORY_INFO_AAX, c.sameObjectForEveryId ? everything : &aax},
            {CLAP_EXT_ARA_FACTORY, c.sameObjectForEveryId ? everything : &ara},
        };
        {
            Library library;
            library.useStaticEntry(&fake.entry, "/bundle/path");
            EXPECT_EQ(fake.initPaths, std::vector<std::string>{"/bundle/path"});
            EXPECT_EQ(idsOf(library), c.ids);
            if (!c.initAnswer) {
                EXPECT_EQ(library.pluginFactory(), nullptr);
                EXPECT_EQ(library.vst3InfoFactory(), nullptr);
                EXPECT_EQ(library.get_vst3_info(0), nullptr);
            } else if (c.sameObjectForEveryId) {
                EXPECT_EQ(library.pluginFactory(), everything);
                EXPECT_EQ(library.aaxInfoFactory(), everything) << "the AAX reader decides";
                EXPECT_EQ(library.vst3InfoFactory(), nullptr);
                EXPECT_FALSE(library.vst3InfoIsVersion1());
                EXPECT_EQ(library.auv2InfoFactory(), nullptr);
                EXPECT_EQ(library.araFactory(), nullptr);
            } else {
                EXPECT_EQ(library.pluginFactory(), factory.raw());
                EXPECT_EQ(library.vst3InfoFactory(), c.vst3 != nullptr ? c.vst3 : c.vst3V0);
                EXPECT_EQ(library.vst3InfoIsVersion1(), c.vst3 != nullptr);
                EXPECT_EQ(library.get_vst3_info(0), c.vst3 || c.vst3V0 ? &vst3Info : nullptr);
                EXPECT_EQ(library.get_vst3_info(1), nullptr);
                EXPECT_EQ(library.auv2InfoFactory(), &auv2);
                EXPECT_EQ(library.araFactory(), &ara);
                EXPECT_EQ(library.get_aax_info(0), aaxDescription);
            }
            const char* text = library.get_vst3_compatibility();
            EXPECT_EQ(text ? std::optional<std::string>(text) : std::nullopt,
                      c.compatibility ? std::optional<std::string>(c.compatibility) : std::nullopt);
            EXPECT_EQ(fake.deinits, 0);
        }
        // CLAP allows deinit only after an init that succeeded.
        EXPECT_EQ(fake.deinits, c.initAnswer ? 1 : 0);
    }
}

TEST(Library, TreatsMissingPartsOfAnEntryAsAbsent) {
    FakeFactory factory;
    const FakeDescriptor only("only");
    factory.descriptors = {&only.raw};
    const clap_plugin_factory_as_vst3_t vst3WithoutFunctions{};
    const clap_plugin_factory_as_aax_t aaxWithoutFunction{};

    {
        FakeEntry fake;
        fake.entry.clap_version = {0, 8, 0};
        fake.factories = {{CLAP_PLUGIN_FACTORY_ID, factory.raw()}};
        Library library;
        library.useStaticEntry(&fake.entry, "");
        EXPECT_TRUE(fake.initPaths.empty()) << "an incompatible entry is not initialised";
        EXPECT_TRUE(library.plugins().empty());
    }
    {
        FakeEntry fake;
        fake.entry.get_factory = nullptr;
        Library library;
        library.useStaticEntry(&fake.entry, nullptr);
        EXPECT_EQ(fake.initPaths, std::vector<std::string>{""});
        EXPECT_EQ(library.pluginFactory(), nullptr);
        EXPECT_TRUE(library.plugins().empty());
    }
    {
        FakeEntry fake;
        fake.entry.init = nullptr;
        fake.factories = {{CLAP_PLUGIN_FACTORY_ID, factory.raw()}};
        Library library;
        library.useStaticEntry(&fake.entry, nullptr);
        EXPECT_EQ(library.pluginFactory(), nullptr);
    }
    {
        FakeEntry fake;
        factory.record.table.get_plugin_descriptor = nullptr;
        fake.factories = {{CLAP_PLUGIN_FACTORY_ID, factory.raw()},
                          {CLAP_PLUGIN_FACTORY_INFO_VST3, &vst3WithoutFunctions},
                          {CLAP_PLUGIN_FACTORY_INFO_AAX, &aaxWithoutFunction}};
        Library library;
        library.useStaticEntry(&fake.entry, nullptr);
        EXPECT_TRUE(library.plugins().empty());
        EXPECT_EQ(library.get_vst3_info(0), nullptr);
        EXPECT_EQ(library.get_vst3_compatibility(), nullptr);
        EXPECT_EQ(library.get_aax_info(0), nullptr);
    }
    Library library;
    library.useStaticEntry(nullptr, "");
    EXPECT_FALSE(library.hasEntryPoint());
}

}  // namespace
}  // namespace clap_host_testing

namespace clap_host_testing {
namespace {

// Two copies of the counting module, each loaded and counting on its own.
struct TwoModules {
    TempFolder temp;
    std::filesystem::path a = temp.copy(ONDRIX_TEST_COUNTING_MODULE, "a/A.clap");
    std::filesystem::path b = temp.copy(ONDRIX_TEST_COUNTING_MODULE, "b/B.clap");
    OpenModule heldA{a};
    OpenModule heldB{b};

    static std::pair<int, int> counts(const OpenModule& module) {
        auto* inits = module.function<int()>("counting_module_inits");
        auto* deinits = module.function<int()>("counting_module_deinits");
        if (inits == nullptr || deinits == nullptr) return {-1, -1};
        return {inits(), deinits()};
    }
};

TEST(Library, LoadingAModuleReleasesTheEntryHeldBefore) {
    TwoModules modules;
    using Counts = std::pair<int, int>;
    {
        Library library;
        ASSERT_TRUE(library.load(modules.a));
        EXPECT_TRUE(library.hasEntryPoint());
        EXPECT_EQ(idsOf(library), std::vector<std::string>{"test.module"});
        EXPECT_EQ(TwoModules::counts(modules.heldA), (Counts{1, 0}));

        ASSERT_TRUE(library.load(modules.b));
        EXPECT_EQ(TwoModules::counts(modules.heldA), (Counts{1, 1}));
        EXPECT_EQ(TwoModules::counts(modules.heldB), (Counts{1, 0}));
        EXPECT_EQ(idsOf(library), std::vector<std::string>{"test.module"});
    }
    EXPECT_EQ(TwoModules::counts(modules.heldA), (Counts{1, 1}));
    EXPECT_EQ(TwoModules::counts(modules.heldB), (Counts{1, 1}));
}

TEST(Library, LoadRefusesWhatIsNoClapModule) {
    TwoModules modules;
    const TempFolder temp;
    const std::filesystem::path noEntry = temp.copy(ONDRIX_TEST_NOT_CLAP_MODULE, "x/None.clap");
    const std::filesystem::path text = temp.path() / "Text.clap";
    std::ofstream(text) << "not a module";

    const std::vector<std::filesystem::path> refused = {
        temp.folder("Folder.clap"), noEntry, text, temp.path() / "Missing.clap", {}};
    for (const std::filesystem::path& path : refused) {
        SCOPED_TRACE(path);
        Library library;
        ASSERT_TRUE(library.load(modules.a));
        EXPECT_FALSE(library.load(path));
        EXPECT_FALSE(library.hasEntryPoint());
        EXPECT_EQ(library.pluginFactory(), nullptr);
        EXPECT_TRUE(library.plugins().empty());
    }
    // Each refused load still released the entry taken before it.
    EXPECT_EQ(TwoModules::counts(modules.heldA), (std::pair<int, int>{5, 5}));
}

}  // namespace
}  // namespace clap_host_testing
