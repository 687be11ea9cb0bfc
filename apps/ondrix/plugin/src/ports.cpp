#include <algorithm>
#include <cstring>
#include <string_view>

#include "extensions.hpp"
#include "frame.hpp"

namespace vantrel_ondrix_plugin {
namespace {

// Writes `name` and its NUL into `field`; the rest of the field is left as it was.
template <std::size_t N>
void write_name(char (&field)[N], std::string_view name) {
    static_assert(N > 0);
    const std::size_t length = std::min(name.size(), N - 1);
    std::memcpy(field, name.data(), length);
    field[length] = '\0';
}

std::uint32_t audio_ports_count(const clap_plugin_t* plugin, bool is_input) noexcept {
    return run_main_thread(
        plugin, std::uint32_t{0},
        [is_input](MainThread&) -> Outcome<std::uint32_t> { return is_input ? 0u : 1u; });
}

bool audio_ports_get(const clap_plugin_t* plugin, std::uint32_t index, bool is_input,
                     clap_audio_port_info_t* info) noexcept {
    return run_main_thread(plugin, false, [&](MainThread&) -> Outcome<bool> {
        if (info == nullptr) return PluginWrapperError::null_argument("clap_audio_port_info");
        if (index != 0 || is_input) return false;
        info->id = 1;
        write_name(info->name, "main");
        info->flags = CLAP_AUDIO_PORT_IS_MAIN;
        info->channel_count = 2;
        info->port_type = CLAP_PORT_STEREO;
        info->in_place_pair = CLAP_INVALID_ID;
        return true;
    });
}

std::uint32_t note_ports_count(const clap_plugin_t* plugin, bool /*is_input*/) noexcept {
    return run_main_thread(plugin, std::uint32_t{0},
                           [](MainThread&) -> Outcome<std::uint32_t> { return 1u; });
}

bool note_ports_get(const clap_plugin_t* plugin, std::uint32_t index, bool is_input,
                    clap_note_port_info_t* info) noexcept {
    return run_main_thread(plugin, false, [&](MainThread&) -> Outcome<bool> {
        if (info == nullptr) return PluginWrapperError::null_argument("clap_note_port_info");
        if (index != 0) return false;
        if (is_input) {
            info->id = 1;
            info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
            info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
            write_name(info->name, "MIDI in");
        } else {
            info->id = 2;
            info->supported_dialects = CLAP_NOTE_DIALECT_MIDI;
            info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
            write_name(info->name, "CCs out");
        }
        return true;
    });
}

}  // namespace

const clap_plugin_audio_ports_t AUDIO_PORTS{&audio_ports_count, &audio_ports_get};
const clap_plugin_note_ports_t NOTE_PORTS{&note_ports_count, &note_ports_get};

}  // namespace vantrel_ondrix_plugin
