#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include <clap/ara.h>
#include <clap/ext/audio-ports-activation.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/auv2-param-ordering.h>
#include <clap/ext/configurable-audio-ports.h>
#include <clap/ext/context-menu.h>
#include <clap/ext/gain-adjustment-metering.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/posix-fd-support.h>
#include <clap/ext/render.h>
#include <clap/ext/state.h>
#include <clap/ext/tail.h>
#include <clap/ext/timer-support.h>
#include <clap/ext/track-info.h>
#include <clap/plugin-factory.h>

#include "host.hpp"

namespace Clap {

class Library;

// The extension tables of one instance, asked for once after init; null where the plug-in has
// none. Thread: read on any thread once connected. Owner: the instance (the plug-in owns the
// tables; these only point at them).
struct ClapPluginExtensions {
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_audio_ports_t* audioPorts = nullptr;
    const clap_plugin_audio_ports_activation_t* audioPortsActivation = nullptr;
    const clap_plugin_configurable_audio_ports_t* configurableAudioPorts = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    const clap_plugin_note_ports_t* notePorts = nullptr;
    const clap_plugin_latency_t* latency = nullptr;
    const clap_plugin_render_t* render = nullptr;
    const clap_plugin_tail_t* tail = nullptr;
    const clap_plugin_timer_support_t* timerSupport = nullptr;
    const clap_plugin_track_info_t* trackInfo = nullptr;
    const clap_plugin_context_menu_t* contextMenu = nullptr;
    const clap_ara_plugin_extension_t* ara = nullptr;
    const clap_plugin_gain_adjustment_metering_t* gainAdjustmentMetering = nullptr;
    const clap_plugin_auv2_param_ordering_t* auv2ParamOrdering = nullptr;
    const clap_plugin_posix_fd_support_t* posixFdSupport = nullptr;
};

// What the next activate hands the plug-in. Thread: main thread. Owner: the Clap::Plugin.
struct AudioSetup {
    double sampleRate = 44100.0;
    uint32_t minBlockSize = 0;
    uint32_t maxBlockSize = 0;
};

// Marks the calling thread as acting for the main or the audio thread while it lives. Thread:
// the thread that made it, only. Owner: the scope it lives in.
class Raise {
  public:
    explicit Raise(uint32_t& counter) : counter_(counter) { ++counter_; }
    ~Raise() { --counter_; }
    Raise(const Raise&) = delete;
    Raise& operator=(const Raise&) = delete;

  private:
    uint32_t& counter_;
};

// The host side of one CLAP instance: creates and initialises it through the plug-in factory,
// caches its extensions, hands it a clap_host whose calls reach the owner's IHost, and answers
// the plug-in's thread checks. Thread: made and driven on the main thread; the audio calls on
// the audio thread; the host callbacks on whatever thread the plug-in calls from. Owner: held by
// its owner through a shared pointer; it owns the CLAP instance and destroys it.
class Plugin {
  public:
    // A connected proxy for the descriptor at position index of the library's list, or empty
    // when there is no such descriptor, the factory makes no instance or its init fails.
    static std::shared_ptr<Plugin> createInstance(Library& library, std::size_t index, IHost* host);
    // The same for the plug-in id of a given factory.
    static std::shared_ptr<Plugin> createInstance(const clap_plugin_factory_t* factory,
                                                  const std::string& id, IHost* host);

    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // Marks the calling thread for as long as the returned object lives.
    static Raise AlwaysMainThread();
    static Raise AlwaysAudioThread();

    const clap_host_t* getClapHostInterface() const { return &host_; }
    const clap_plugin_t* instance() const { return instance_; }
    const ClapPluginExtensions& extensions() const { return extensions_; }
    const AudioSetup& audioSetup() const { return audioSetup_; }

    // Takes the instance, initialises it and asks for its extensions; false (and the instance
    // destroyed) when there is none or its init fails.
    bool connectClap(const clap_plugin_t* instance);

    // Has the owner build its side from the extensions; false, with nothing built, when there
    // is no instance.
    bool initialize();
    // Destroys the instance.
    void terminate();

    void setSampleRate(double sampleRate);
    void setBlockSizes(uint32_t minSize, uint32_t maxSize);
    bool activate();
    void deactivate();
    // Audio thread; each runs marked as the audio thread.
    bool start_processing();
    void stop_processing();
    void reset();

    // False when the plug-in has no state extension.
    bool load(const clap_istream_t* stream);
    bool save(const clap_ostream_t* stream);

    // Tells the plug-in which audio ports are in use, when it cares.
    void setBusActivation(bool isInput, uint32_t portIndex, bool active);

    bool is_main_thread() const;
    bool is_audio_thread() const;
    // Writes a message of the plug-in to standard error, prefixed by its severity.
    static void log(int severity, const char* message);

    // The host callbacks of the clap_host record.
    static const void* clapExtension(const clap_host_t* host, const char* id) noexcept;
    static void clapRequestRestart(const clap_host_t* host) noexcept;
    static void clapRequestProcess(const clap_host_t* host) noexcept;
    static void clapRequestCallback(const clap_host_t* host) noexcept;

    // The proxy behind a host record this class made, and its owner; null for anything else.
    static Plugin* from(const clap_host_t* host) noexcept;
    IHost* owner() const { return owner_; }

  private:
    explicit Plugin(IHost* host);
    static std::shared_ptr<Plugin> create(const clap_plugin_factory_t* factory, const char* id,
                                          IHost* host);

    ClapPluginExtensions extensions_;
    const clap_plugin_t* instance_ = nullptr;
    clap_host_t host_;
    IHost* owner_;
    std::thread::id mainThread_;
    AudioSetup audioSetup_;
};

}  // namespace Clap
