/* Lays out a few of our records with the C compiler, which a plug-in or host written in C uses. */
#include <stdalign.h>

#include "clap/clap.h"

struct our_c_layout_row {
    size_t size;
    size_t align;
};

#define ROW(T) \
    { sizeof(T), alignof(T) }

/* Same order as kCRecords in the C++ test. */
static const struct our_c_layout_row rows[] = {
    ROW(clap_plugin_entry_t),
    ROW(clap_plugin_descriptor_t),
    ROW(clap_plugin_t),
    ROW(clap_host_t),
    ROW(clap_process_t),
    ROW(clap_event_transport_t),
    ROW(clap_event_midi_t),
    ROW(clap_event_note_t),
    ROW(clap_audio_port_info_t),
    ROW(clap_note_port_info_t),
    ROW(clap_window_t),
    ROW(clap_gui_resize_hints_t),
    ROW(clap_plugin_gui_t),
    ROW(clap_host_log_t),
    ROW(clap_plugin_info_as_auv2_t),
    ROW(clap_plugin_factory_as_auv2_t),
    ROW(clap_param_info_t),
    ROW(clap_track_info_t),
    ROW(clap_audio_port_configuration_request_t),
    ROW(clap_context_menu_entry_t),
    ROW(clap_context_menu_check_entry_t),
    ROW(clap_context_menu_submenu_t),
    ROW(clap_plugin_info_as_vst3_t),
    ROW(clap_plugin_factory_as_vst3_t),
};

size_t our_c_layout_count(void) {
    return sizeof rows / sizeof rows[0];
}
size_t our_c_layout_size(size_t index) {
    return rows[index].size;
}
size_t our_c_layout_align(size_t index) {
    return rows[index].align;
}
