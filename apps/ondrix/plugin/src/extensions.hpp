#pragma once

#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/state.h>

namespace vantrel_ondrix_plugin {

// The static extension tables an instance offers. Thread: host main thread (every function goes
// through the common frame). Owner: static.
extern const clap_plugin_audio_ports_t AUDIO_PORTS;
extern const clap_plugin_note_ports_t NOTE_PORTS;
extern const clap_plugin_state_t STATE;
extern const clap_plugin_gui_t GUI;

}  // namespace vantrel_ondrix_plugin
