// Our CLAP declarations against the official headers, and the parts the official headers of that
// version do not have against their published definitions.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <typeinfo>
#include <vector>

#include "abi_facts.hpp"
#include "clap/clap.h"

extern "C" {
std::size_t our_c_layout_count(void);
std::size_t our_c_layout_size(std::size_t index);
std::size_t our_c_layout_align(std::size_t index);
}

namespace {

using clap_abi_testing::AbiFacts;

// Where the version we declare differs from the older official headers without changing the
// layout: fact name, the reference's value, ours.
struct KnownDifference {
    const char* fact;
    const char* reference;
    const char* ours;
};
const std::vector<KnownDifference> kKnownDifferences = {
    // The features array became an array of const pointers: `const char* const*`.
    {"type clap_plugin_descriptor_t.features", typeid(const char**).name(),
     typeid(const char* const*).name()},
};

TEST(ClapAbi, EveryFactOfTheOfficialHeadersHoldsForOurs) {
    const AbiFacts reference = clap_abi_testing::reference_abi_facts();
    const AbiFacts ours = clap_abi_testing::our_abi_facts();
    ASSERT_GT(reference.size(), 500u);  // the item list was expanded, not silently emptied
    ASSERT_EQ(reference.size(), ours.size());
    for (const auto& [name, value] : reference) {
        const auto found = ours.find(name);
        ASSERT_NE(found, ours.end()) << name;
        std::string expected = value;
        for (const KnownDifference& d : kKnownDifferences) {
            if (name == d.fact && value == d.reference) expected = d.ours;
        }
        EXPECT_EQ(found->second, expected) << name;
    }
}

TEST(ClapAbi, DeclaresVersion119) {
    const clap_version_t init = CLAP_VERSION_INIT;
    for (const clap_version_t& v : {CLAP_VERSION, init}) {
        EXPECT_EQ(v.major, 1u);
        EXPECT_EQ(v.minor, 1u);
        EXPECT_EQ(v.revision, 9u);
    }
    static_assert(CLAP_VERSION_GE(1, 1, 9) && CLAP_VERSION_LT(1, 1, 10) &&
                  CLAP_VERSION_EQ(1, 1, 9));
    EXPECT_TRUE(clap_version_is_compatible(CLAP_VERSION));
    EXPECT_FALSE(clap_version_is_compatible(clap_version_t{0, 9, 0}));
}

// The log extension and the Audio Unit information factory are not in the official headers we
// compare with; these are their published layouts on a 64-bit platform.
TEST(ClapAbi, LogAndAudioUnitFactoryHaveTheirPublishedLayout) {
    struct Case {
        const char* what;
        std::size_t actual;
        std::size_t expected;
    };
    const std::vector<Case> cases = {
        {"sizeof clap_host_log_t", sizeof(clap_host_log_t), 8},
        {"sizeof clap_plugin_info_as_auv2_t", sizeof(clap_plugin_info_as_auv2_t), 10},
        {"offset au_type", offsetof(clap_plugin_info_as_auv2_t, au_type), 0},
        {"offset au_subt", offsetof(clap_plugin_info_as_auv2_t, au_subt), 5},
        {"sizeof clap_plugin_factory_as_auv2_t", sizeof(clap_plugin_factory_as_auv2_t), 24},
        {"offset manufacturer_code", offsetof(clap_plugin_factory_as_auv2_t, manufacturer_code), 0},
        {"offset manufacturer_name", offsetof(clap_plugin_factory_as_auv2_t, manufacturer_name), 8},
        {"offset get_auv2_info", offsetof(clap_plugin_factory_as_auv2_t, get_auv2_info), 16},
        {"CLAP_LOG_DEBUG", CLAP_LOG_DEBUG, 0},
        {"CLAP_LOG_INFO", CLAP_LOG_INFO, 1},
        {"CLAP_LOG_WARNING", CLAP_LOG_WARNING, 2},
        {"CLAP_LOG_ERROR", CLAP_LOG_ERROR, 3},
        {"CLAP_LOG_FATAL", CLAP_LOG_FATAL, 4},
        {"CLAP_LOG_HOST_MISBEHAVING", CLAP_LOG_HOST_MISBEHAVING, 5},
        {"CLAP_LOG_PLUGIN_MISBEHAVING", CLAP_LOG_PLUGIN_MISBEHAVING, 6},
        {"sizeof clap_log_severity", sizeof(clap_log_severity), 4},
    };
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;

    EXPECT_EQ(std::string(CLAP_EXT_LOG, sizeof(CLAP_EXT_LOG)), std::string("clap.log", 9));
    EXPECT_EQ(std::string(CLAP_PLUGIN_FACTORY_INFO_AUV2, sizeof(CLAP_PLUGIN_FACTORY_INFO_AUV2)),
              std::string("clap.plugin-factory-info-as-auv2.draft0", 40));
}

TEST(ClapAbi, CAndCppLayOutOurRecordsAlike) {
    struct Record {
        const char* name;
        std::size_t size;
        std::size_t align;
    };
    // Same order as the rows in c/c_layout.c.
    const std::vector<Record> records = {
        {"clap_plugin_entry_t", sizeof(clap_plugin_entry_t), alignof(clap_plugin_entry_t)},
        {"clap_plugin_descriptor_t", sizeof(clap_plugin_descriptor_t),
         alignof(clap_plugin_descriptor_t)},
        {"clap_plugin_t", sizeof(clap_plugin_t), alignof(clap_plugin_t)},
        {"clap_host_t", sizeof(clap_host_t), alignof(clap_host_t)},
        {"clap_process_t", sizeof(clap_process_t), alignof(clap_process_t)},
        {"clap_event_transport_t", sizeof(clap_event_transport_t), alignof(clap_event_transport_t)},
        {"clap_event_midi_t", sizeof(clap_event_midi_t), alignof(clap_event_midi_t)},
        {"clap_event_note_t", sizeof(clap_event_note_t), alignof(clap_event_note_t)},
        {"clap_audio_port_info_t", sizeof(clap_audio_port_info_t), alignof(clap_audio_port_info_t)},
        {"clap_note_port_info_t", sizeof(clap_note_port_info_t), alignof(clap_note_port_info_t)},
        {"clap_window_t", sizeof(clap_window_t), alignof(clap_window_t)},
        {"clap_gui_resize_hints_t", sizeof(clap_gui_resize_hints_t),
         alignof(clap_gui_resize_hints_t)},
        {"clap_plugin_gui_t", sizeof(clap_plugin_gui_t), alignof(clap_plugin_gui_t)},
        {"clap_host_log_t", sizeof(clap_host_log_t), alignof(clap_host_log_t)},
        {"clap_plugin_info_as_auv2_t", sizeof(clap_plugin_info_as_auv2_t),
         alignof(clap_plugin_info_as_auv2_t)},
        {"clap_plugin_factory_as_auv2_t", sizeof(clap_plugin_factory_as_auv2_t),
         alignof(clap_plugin_factory_as_auv2_t)},
    };
    ASSERT_EQ(records.size(), our_c_layout_count());
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(records[i].name);
        EXPECT_EQ(our_c_layout_size(i), records[i].size);
        EXPECT_EQ(our_c_layout_align(i), records[i].align);
    }
}

}  // namespace
