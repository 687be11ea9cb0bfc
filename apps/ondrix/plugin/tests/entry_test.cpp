#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap_test_host.hpp"

namespace ondrix_plugin_testing {
namespace {

const void* plugin_factory() {
    return module_entry().get_factory(CLAP_PLUGIN_FACTORY_ID);
}

TEST(Entry, RecordDeclaresClap119) {
    const auto& entry = module_entry();
    EXPECT_EQ(entry.clap_version.major, 1u);
    EXPECT_EQ(entry.clap_version.minor, 1u);
    EXPECT_EQ(entry.clap_version.revision, 9u);
}

TEST(Entry, InitsAreCountedAndTheMatchingDeinitEmptiesTheHolder) {
    const auto& entry = module_entry();
    EXPECT_EQ(plugin_factory(), nullptr) << "no factory before init";

    ASSERT_TRUE(entry.init("/any/path"));
    const void* first = plugin_factory();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(entry.init(nullptr));
    EXPECT_EQ(plugin_factory(), first) << "a further init only counts";

    entry.deinit();
    EXPECT_EQ(plugin_factory(), first) << "one init is still open";
    entry.deinit();
    EXPECT_EQ(plugin_factory(), nullptr) << "the last deinit empties the holder";
    entry.deinit();
    EXPECT_EQ(plugin_factory(), nullptr) << "a surplus deinit does nothing";

    ASSERT_TRUE(entry.init(""));
    const auto* rebuilt = static_cast<const clap_plugin_factory_t*>(plugin_factory());
    ASSERT_NE(rebuilt, nullptr) << "a later init builds afresh";
    EXPECT_EQ(rebuilt->get_plugin_count(rebuilt), 1u);
    entry.deinit();
    EXPECT_EQ(plugin_factory(), nullptr) << "the surplus deinit was not banked";
}

TEST(Entry, FactoryIdsAreMatchedByteForByte) {
    EXPECT_EQ(module_entry().get_factory(nullptr), nullptr);
    EntryScope scope;
    const auto& entry = module_entry();
    EXPECT_EQ(entry.get_factory(nullptr), nullptr);
    const struct {
        const char* id;
        bool answered;
    } cases[] = {
        {"clap.plugin-factory", true},
        {"clap.plugin-factory-info-as-auv2.draft0", true},
        {"clap.plugin-factory/1", false},
        {"clap.plugin-factory ", false},
        {"xclap.plugin-factory", false},
        {"clap.plugin-factor", false},
        {"CLAP.PLUGIN-FACTORY", false},
        {"clap.plugin-factory-info-as-auv2", false},
        {"clap.plugin-factory-info-as-vst3/1", false},
        {"clap.plugin-factory-info-as-vst3/0", false},
        {"clap.plugin-factory-info-as-aax/1", false},
        {"clap.plugin-factory.ara", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(entry.get_factory(c.id) != nullptr, c.answered);
    }
    EXPECT_NE(entry.get_factory(CLAP_PLUGIN_FACTORY_ID),
              entry.get_factory(CLAP_PLUGIN_FACTORY_INFO_AUV2));
}

TEST(PluginFactory, DescribesOnePluginWithItsExactStrings) {
    EntryScope scope;
    const auto& factory = scope.factory();
    EXPECT_EQ(factory.get_plugin_count(&factory), 1u);

    StderrCapture err;
    EXPECT_EQ(factory.get_plugin_descriptor(&factory, 1), nullptr);
    const clap_plugin_descriptor_t* desc = factory.get_plugin_descriptor(&factory, 0);
    EXPECT_EQ(err.finish(), "") << "a wrong index is not an error";
    ASSERT_NE(desc, nullptr);

    EXPECT_EQ(desc->clap_version.major, 1u);
    EXPECT_EQ(desc->clap_version.minor, 1u);
    EXPECT_EQ(desc->clap_version.revision, 9u);
    EXPECT_STREQ(desc->id, "app.vantrel.ondrix.plugin");
    EXPECT_STREQ(desc->name, "Vantrel Ondrix");
    EXPECT_STREQ(desc->vendor, "Orbwright Audio");
    // The three addresses are empty strings, never null pointers.
    for (const char* address : {desc->url, desc->manual_url, desc->support_url}) {
        ASSERT_NE(address, nullptr);
        EXPECT_STREQ(address, "");
    }
    EXPECT_STREQ(desc->version, "0.1.0");
    EXPECT_STREQ(desc->description,
                 "A modulation source: LFOs, drawn shapes and chaos, sent as MIDI CCs");
    ASSERT_NE(desc->features, nullptr);
    EXPECT_STREQ(desc->features[0], "note-effect");
    EXPECT_STREQ(desc->features[1], "utility");
    EXPECT_EQ(desc->features[2], nullptr);
}

TEST(PluginFactory, NullArgumentsPrintAFactoryErrorLine) {
    EntryScope scope;
    const auto& factory = scope.factory();
    TestHost host;
    const std::string null_factory =
        "[CLAP_PLUGIN_FACTORY_ERROR] Plugin factory method was called with null "
        "clap_plugin_factory pointer\n";
    {
        StderrCapture err;
        EXPECT_EQ(factory.get_plugin_count(nullptr), 0u);
        EXPECT_EQ(err.finish(), null_factory);
    }
    {
        StderrCapture err;
        EXPECT_EQ(factory.get_plugin_descriptor(nullptr, 0), nullptr);
        EXPECT_EQ(err.finish(), null_factory);
    }
    {
        StderrCapture err;
        EXPECT_EQ(factory.create_plugin(nullptr, host.raw(), "app.vantrel.ondrix.plugin"), nullptr);
        EXPECT_EQ(err.finish(), null_factory);
    }
    {
        StderrCapture err;
        EXPECT_EQ(factory.create_plugin(&factory, nullptr, "app.vantrel.ondrix.plugin"), nullptr);
        EXPECT_EQ(err.finish(),
                  "[CLAP_PLUGIN_FACTORY_ERROR] Plugin factory method was called with null "
                  "clap_host pointer\n");
    }
}

TEST(PluginFactory, CreatesOnlyForTheExactIdAndLeavesInitToTheHost) {
    EntryScope scope;
    const auto& factory = scope.factory();
    TestHost host;
    for (const char* id : {"app.vantrel.ondrix.plugin2", "app.vantrel.ondrix.plugi",
                           "app.vantrel.ondrix.plugin ", "", "APP.VANTREL.ONDRIX.PLUGIN"}) {
        SCOPED_TRACE(id);
        StderrCapture err;
        EXPECT_EQ(factory.create_plugin(&factory, host.raw(), id), nullptr);
        EXPECT_EQ(err.finish(), "");
    }

    const clap_plugin_t* plugin =
        factory.create_plugin(&factory, host.raw(), "app.vantrel.ondrix.plugin");
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->desc, factory.get_plugin_descriptor(&factory, 0));
    EXPECT_NE(plugin->plugin_data, nullptr);
    EXPECT_FALSE(plugin->activate(plugin, 48000.0, 1, 512)) << "not initialised yet";
    ASSERT_EQ(host.lines.size(), 1u);
    EXPECT_EQ(host.lines[0].message, "Plugin was not properly initialized before use");
    plugin->destroy(plugin);
}

TEST(AuInfoFactory, PublishesTheMidiProcessorCodes) {
    EntryScope scope;
    const auto* au = static_cast<const clap_plugin_factory_as_auv2_t*>(
        module_entry().get_factory(CLAP_PLUGIN_FACTORY_INFO_AUV2));
    ASSERT_NE(au, nullptr);
    EXPECT_STREQ(au->manufacturer_code, "Orbw");
    EXPECT_STREQ(au->manufacturer_name, "Orbwright Audio");

    clap_plugin_info_as_auv2_t info;
    std::memset(&info, 'z', sizeof(info));
    ASSERT_TRUE(au->get_auv2_info(au, 0, &info));
    EXPECT_EQ(std::memcmp(info.au_type, "aumi", 5), 0);
    EXPECT_EQ(std::memcmp(info.au_subt, "VnOx", 5), 0);

    std::memset(&info, 'z', sizeof(info));
    EXPECT_FALSE(au->get_auv2_info(au, 1, &info));
    EXPECT_FALSE(au->get_auv2_info(nullptr, 0, &info));
    EXPECT_FALSE(au->get_auv2_info(au, 0, nullptr));
    for (char c : std::string(reinterpret_cast<const char*>(&info), sizeof(info)))
        EXPECT_EQ(c, 'z');
}

TEST(Module, ExportsOnlyTheEntry) {
    const std::string command = std::string("nm -D --defined-only '") + module_path() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> symbols;
    char line[1024];
    while (std::fgets(line, sizeof(line), pipe) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        symbols.push_back(text.substr(text.rfind(' ') + 1));
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, std::vector<std::string>{"clap_entry"});
}

}  // namespace
}  // namespace ondrix_plugin_testing
