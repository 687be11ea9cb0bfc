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

// The extensions and factories that the official headers of that version lack, against their
// published layouts on a 64-bit platform: each table's slots in order, each record's fields.
TEST(ClapAbi, LaterExtensionsAndFactoriesHaveTheirPublishedLayout) {
    struct Case {
        const char* what;
        std::size_t actual;
        std::size_t expected;
    };
#define CLAP_OFFSET(T, F) #T "." #F, offsetof(T, F)
#define CLAP_SIZE(T) "sizeof " #T, sizeof(T)
    const std::vector<Case> cases = {
        {CLAP_SIZE(clap_plugin_render_t), 16},
        {CLAP_OFFSET(clap_plugin_render_t, set), 8},
        {"CLAP_RENDER_OFFLINE", CLAP_RENDER_OFFLINE, 1},
        {"sizeof clap_plugin_render_mode", sizeof(clap_plugin_render_mode), 4},
        {CLAP_SIZE(clap_plugin_tail_t), 8},
        {CLAP_SIZE(clap_host_tail_t), 8},
        {CLAP_SIZE(clap_plugin_track_info_t), 8},
        {CLAP_SIZE(clap_host_track_info_t), 8},
        {CLAP_SIZE(clap_track_info_t), 280},
        {CLAP_OFFSET(clap_track_info_t, name), 8},
        {CLAP_OFFSET(clap_track_info_t, color), 264},
        {CLAP_OFFSET(clap_track_info_t, audio_channel_count), 268},
        {CLAP_OFFSET(clap_track_info_t, audio_port_type), 272},
        {CLAP_OFFSET(clap_color_t, blue), 3},
        {"CLAP_TRACK_INFO_HAS_TRACK_COLOR", CLAP_TRACK_INFO_HAS_TRACK_COLOR, 2},
        {"CLAP_TRACK_INFO_IS_FOR_MASTER", CLAP_TRACK_INFO_IS_FOR_MASTER, 32},
        {CLAP_SIZE(clap_audio_port_configuration_request_t), 32},
        {CLAP_OFFSET(clap_audio_port_configuration_request_t, port_index), 4},
        {CLAP_OFFSET(clap_audio_port_configuration_request_t, channel_count), 8},
        {CLAP_OFFSET(clap_audio_port_configuration_request_t, port_type), 16},
        {CLAP_OFFSET(clap_audio_port_configuration_request_t, port_details), 24},
        {CLAP_OFFSET(clap_plugin_configurable_audio_ports_t, apply_configuration), 8},
        {CLAP_OFFSET(clap_plugin_audio_ports_activation_t, set_active), 8},
        {CLAP_SIZE(clap_context_menu_target_t), 8},
        {CLAP_OFFSET(clap_context_menu_target_t, id), 4},
        {CLAP_SIZE(clap_context_menu_entry_t), 16},
        {CLAP_OFFSET(clap_context_menu_check_entry_t, is_checked), 9},
        {CLAP_OFFSET(clap_context_menu_check_entry_t, action_id), 12},
        {CLAP_SIZE(clap_context_menu_submenu_t), 16},
        {CLAP_OFFSET(clap_context_menu_builder_t, add_item), 8},
        {CLAP_OFFSET(clap_context_menu_builder_t, supports), 16},
        {CLAP_OFFSET(clap_plugin_context_menu_t, perform), 8},
        {CLAP_OFFSET(clap_host_context_menu_t, perform), 8},
        {CLAP_OFFSET(clap_host_context_menu_t, can_popup), 16},
        {CLAP_OFFSET(clap_host_context_menu_t, popup), 24},
        {"CLAP_CONTEXT_MENU_ITEM_END_SUBMENU", CLAP_CONTEXT_MENU_ITEM_END_SUBMENU, 4},
        {"CLAP_CONTEXT_MENU_TARGET_KIND_PARAM", CLAP_CONTEXT_MENU_TARGET_KIND_PARAM, 1},
        {CLAP_SIZE(clap_plugin_gain_adjustment_metering_t), 8},
        {CLAP_OFFSET(clap_ara_plugin_extension_t, bind_to_document_controller), 8},
        {CLAP_OFFSET(clap_ara_factory_t, get_ara_factory), 8},
        {CLAP_OFFSET(clap_ara_factory_t, get_plugin_id), 16},
        {CLAP_OFFSET(clap_plugin_as_vst3_t, supported_note_expressions), 8},
        {CLAP_SIZE(clap_plugin_info_as_vst3_t), 24},
        {CLAP_OFFSET(clap_plugin_info_as_vst3_t, component_id), 8},
        {CLAP_OFFSET(clap_plugin_info_as_vst3_t, features), 16},
        {CLAP_OFFSET(clap_plugin_factory_as_vst3_t, vendor_url), 8},
        {CLAP_OFFSET(clap_plugin_factory_as_vst3_t, email_contact), 16},
        {CLAP_OFFSET(clap_plugin_factory_as_vst3_t, get_vst3_info), 24},
        {CLAP_OFFSET(clap_plugin_factory_as_vst3_t, get_compatibility_json), 32},
        {CLAP_SIZE(clap_plugin_factory_as_aax_t), 8},
        {"CLAP_PARAM_IS_ENUM", CLAP_PARAM_IS_ENUM, 0x10000},
        {CLAP_SIZE(clap_plugin_posix_fd_support_t), 8},
        {CLAP_SIZE(clap_host_posix_fd_support_t), 24},
        {CLAP_OFFSET(clap_host_posix_fd_support_t, modify_fd), 8},
        {CLAP_OFFSET(clap_host_posix_fd_support_t, unregister_fd), 16},
        {"CLAP_POSIX_FD_READ", CLAP_POSIX_FD_READ, 1},
        {"CLAP_POSIX_FD_WRITE", CLAP_POSIX_FD_WRITE, 2},
        {"CLAP_POSIX_FD_ERROR", CLAP_POSIX_FD_ERROR, 4},
        {"sizeof clap_posix_fd_flags_t", sizeof(clap_posix_fd_flags_t), 4},
    };
#undef CLAP_OFFSET
#undef CLAP_SIZE
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;

    struct Text {
        std::string ours;
        std::string published;
    };
    auto text = [](const char* id, std::size_t size) { return std::string(id, size); };
#define CLAP_TEXT(N) text(N, sizeof(N))
    const std::vector<Text> texts = {
        {CLAP_TEXT(CLAP_EXT_RENDER), "clap.render"},
        {CLAP_TEXT(CLAP_EXT_TAIL), "clap.tail"},
        {CLAP_TEXT(CLAP_EXT_TRACK_INFO), "clap.track-info/1"},
        {CLAP_TEXT(CLAP_EXT_CONFIGURABLE_AUDIO_PORTS), "clap.configurable-audio-ports/1"},
        {CLAP_TEXT(CLAP_EXT_CONFIGURABLE_AUDIO_PORTS_COMPAT),
         "clap.configurable-audio-ports.draft1"},
        {CLAP_TEXT(CLAP_EXT_AUDIO_PORTS_ACTIVATION), "clap.audio-ports-activation/2"},
        {CLAP_TEXT(CLAP_EXT_AUDIO_PORTS_ACTIVATION_COMPAT), "clap.audio-ports-activation/draft-2"},
        {CLAP_TEXT(CLAP_EXT_CONTEXT_MENU), "clap.context-menu/1"},
        {CLAP_TEXT(CLAP_EXT_CONTEXT_MENU_COMPAT), "clap.context-menu.draft/0"},
        {CLAP_TEXT(CLAP_EXT_GAIN_ADJUSTMENT_METERING), "clap.gain-adjustment-metering/0"},
        {CLAP_TEXT(CLAP_EXT_AUV2_PARAM_ORDERING), "clap.plugin-auv2-param-ordering/0"},
        {CLAP_TEXT(CLAP_EXT_ARA_PLUGINEXTENSION), "org.ara-audio.ara.pluginextension/2"},
        {CLAP_TEXT(CLAP_EXT_ARA_FACTORY), "org.ara-audio.ara.factory/2"},
        {CLAP_TEXT(CLAP_PLUGIN_AS_VST3), "clap.plugin-info-as-vst3/0"},
        {CLAP_TEXT(CLAP_PLUGIN_FACTORY_INFO_VST3), "clap.plugin-factory-info-as-vst3/1"},
        {CLAP_TEXT(CLAP_PLUGIN_FACTORY_INFO_VST3_V0), "clap.plugin-factory-info-as-vst3/0"},
        {CLAP_TEXT(CLAP_PLUGIN_FACTORY_INFO_AAX), "clap.plugin-factory-info-as-aax/1"},
        {CLAP_TEXT(CLAP_EXT_POSIX_FD_SUPPORT), "clap.posix-fd-support"},
    };
#undef CLAP_TEXT
    for (const Text& t : texts) {
        // The whole array, terminator included.
        EXPECT_EQ(t.ours, std::string(t.published.c_str(), t.published.size() + 1));
    }
}

// A host that answers a menu with one record for every item kind relies on the entry's and the
// submenu's fields sitting where the check entry has them.
static_assert(offsetof(clap_context_menu_entry_t, label) ==
              offsetof(clap_context_menu_check_entry_t, label));
static_assert(offsetof(clap_context_menu_entry_t, is_enabled) ==
              offsetof(clap_context_menu_check_entry_t, is_enabled));
static_assert(offsetof(clap_context_menu_entry_t, action_id) ==
              offsetof(clap_context_menu_check_entry_t, action_id));
static_assert(offsetof(clap_context_menu_submenu_t, label) ==
              offsetof(clap_context_menu_check_entry_t, label));
static_assert(offsetof(clap_context_menu_submenu_t, is_enabled) ==
              offsetof(clap_context_menu_check_entry_t, is_enabled));

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
        {"clap_param_info_t", sizeof(clap_param_info_t), alignof(clap_param_info_t)},
        {"clap_track_info_t", sizeof(clap_track_info_t), alignof(clap_track_info_t)},
        {"clap_audio_port_configuration_request_t", sizeof(clap_audio_port_configuration_request_t),
         alignof(clap_audio_port_configuration_request_t)},
        {"clap_context_menu_entry_t", sizeof(clap_context_menu_entry_t),
         alignof(clap_context_menu_entry_t)},
        {"clap_context_menu_check_entry_t", sizeof(clap_context_menu_check_entry_t),
         alignof(clap_context_menu_check_entry_t)},
        {"clap_context_menu_submenu_t", sizeof(clap_context_menu_submenu_t),
         alignof(clap_context_menu_submenu_t)},
        {"clap_plugin_info_as_vst3_t", sizeof(clap_plugin_info_as_vst3_t),
         alignof(clap_plugin_info_as_vst3_t)},
        {"clap_plugin_factory_as_vst3_t", sizeof(clap_plugin_factory_as_vst3_t),
         alignof(clap_plugin_factory_as_vst3_t)},
    };
    ASSERT_EQ(records.size(), our_c_layout_count());
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(records[i].name);
        EXPECT_EQ(our_c_layout_size(i), records[i].size);
        EXPECT_EQ(our_c_layout_align(i), records[i].align);
    }
}

}  // namespace
