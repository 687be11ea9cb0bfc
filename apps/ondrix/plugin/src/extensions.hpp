#pragma once

#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/posix-fd-support.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>

namespace vantrel_ondrix_plugin {

// The static extension tables an instance offers. Thread: host main thread (every function goes
// through the common frame). Owner: static.
extern const clap_plugin_audio_ports_t AUDIO_PORTS;
extern const clap_plugin_note_ports_t NOTE_PORTS;
extern const clap_plugin_state_t STATE;
extern const clap_plugin_gui_t GUI;
// The host's calls back for the editor's socket watch (fd support) or its poll (timer).
extern const clap_plugin_posix_fd_support_t POSIX_FD_SUPPORT;
extern const clap_plugin_timer_support_t TIMER_SUPPORT;

}  // namespace vantrel_ondrix_plugin
