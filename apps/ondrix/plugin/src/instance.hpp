#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include <clap/plugin.h>

#include "audio_processor.hpp"
#include "ondrix_plugin.hpp"

namespace vantrel_ondrix_plugin {

// Where an instance is in its life; held as one atomic byte that any thread may read.
// Owner: the instance record.
enum class InstanceState : std::uint8_t {
    Uninitialized = 0,
    Ready = 1,
    Initializing = 2,
    InitFailed = 3,
    Destroying = 4,
};

// The audio processor of an active instance and the flag that says it is there.
// Thread: filled and emptied on the main thread (activate, deactivate), used by the audio
// thread in between. Owner: the instance record.
struct AudioProcessorCell {
    std::optional<AudioProcessor> processor;
    std::atomic<bool> occupied{false};

    bool active() const { return occupied.load(std::memory_order_acquire); }
};

// The record behind clap_plugin.plugin_data. Thread: the state byte and the cell's flag are
// atomics for any thread; the rest follows the CLAP thread rules. Owner: the clap_plugin table,
// freed together with it by destroy.
struct PluginBoxInner {
    using Initializer = OndrixPlugin::Parts (*)(const clap_host_t*);

    explicit PluginBoxInner(const clap_host_t* host_handle) : host(host_handle) {}

    const clap_host_t* host;
    // Taken (set to null) by init.
    Initializer initializer = &OndrixPlugin::construct;
    std::optional<Shared> shared;
    std::optional<MainThread> main_thread;
    AudioProcessorCell audio;
    std::atomic<InstanceState> state{InstanceState::Uninitialized};
};

// One plug-in instance as the host sees it: a clap_plugin table and its record.
// Thread: created on any thread by the factory. Owner: the host, from create_plugin to destroy.
class PluginInstance {
  public:
    // A new, uninitialised instance; the host owns it until it calls destroy.
    static const clap_plugin_t* create(const clap_host_t* host,
                                       const clap_plugin_descriptor_t* desc);
};

}  // namespace vantrel_ondrix_plugin
