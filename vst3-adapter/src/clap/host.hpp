#pragma once

#include <cstdint>

#include <clap/events.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/context-menu.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/posix-fd-support.h>
#include <clap/ext/track-info.h>
#include <clap/plugin.h>

namespace Clap {

// What a Clap::Plugin needs of its owner: building the owner's buses and parameters from the
// plug-in's declarations, and everything the plug-in asks of its host. Thread: the setup
// operations and most requests on the main thread; request_callback, restartPlugin and
// param_request_flush on any thread. Owner: the object that owns the Clap::Plugin; the proxy
// only points at it.
class IHost {
  public:
    virtual void setupWrapperSpecifics(const clap_plugin_t* plugin) = 0;
    virtual void setupAudioBusses(const clap_plugin_t* plugin,
                                  const clap_plugin_audio_ports_t* audioPorts) = 0;
    virtual void setupMIDIBusses(const clap_plugin_t* plugin,
                                 const clap_plugin_note_ports_t* notePorts) = 0;
    virtual void setupParameters(const clap_plugin_t* plugin,
                                 const clap_plugin_params_t* params) = 0;

    virtual void param_rescan(clap_param_rescan_flags flags) = 0;
    virtual void param_clear(clap_id param, clap_param_clear_flags flags) = 0;
    virtual void param_request_flush() = 0;

    virtual bool gui_can_resize() = 0;
    virtual bool gui_request_resize(uint32_t width, uint32_t height) = 0;
    virtual bool gui_request_show() = 0;
    virtual bool gui_request_hide() = 0;

    virtual void latency_changed() = 0;
    virtual void tail_changed() = 0;
    virtual void mark_dirty() = 0;
    virtual void restartPlugin() = 0;
    virtual void request_callback() = 0;

    virtual bool track_info_get(clap_track_info_t* info) = 0;

    virtual bool register_timer(uint32_t periodMs, clap_id* timerId) = 0;
    virtual bool unregister_timer(clap_id timerId) = 0;

    virtual bool register_fd(int fd, clap_posix_fd_flags_t flags) = 0;
    virtual bool modify_fd(int fd, clap_posix_fd_flags_t flags) = 0;
    virtual bool unregister_fd(int fd) = 0;

    // The host's name as the plug-in sees it; the text is owned by the owner and stays valid
    // for the proxy's life.
    virtual const char* host_get_name() = 0;

    virtual bool supportsContextMenu() const = 0;
    virtual bool context_menu_populate(const clap_context_menu_target_t* target,
                                       const clap_context_menu_builder_t* builder) = 0;
    virtual bool context_menu_perform(const clap_context_menu_target_t* target,
                                      clap_id actionId) = 0;
    virtual bool context_menu_can_popup() = 0;
    virtual bool context_menu_popup(const clap_context_menu_target_t* target, int32_t screenIndex,
                                    int32_t x, int32_t y) = 0;

  protected:
    ~IHost() = default;
};

// Receives the plug-in's parameter gestures and values as the process adapter finds them in
// its output events. Thread: whichever thread runs the plug-in's process or flush. Owner: as
// IHost.
class IAutomation {
  public:
    virtual void onBeginEdit(clap_id id) = 0;
    virtual void onPerformEdit(const clap_event_param_value_t* value) = 0;
    virtual void onEndEdit(clap_id id) = 0;

  protected:
    ~IAutomation() = default;
};

}  // namespace Clap
