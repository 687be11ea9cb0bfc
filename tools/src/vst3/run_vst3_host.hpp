// One run of the VST3 command-line host: load, create, initialise, process, save, shut down.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "options.hpp"
#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace ondrix_tools {

// A note sent to the plug-in's event input bus 0: on at `sample` of the run (a whole run's
// position), off one block later.
struct NoteIn {
    std::uint64_t sample = 0;
    std::int16_t channel = 0;
    std::int16_t pitch = 60;
    float velocity = 0.8f;
};

// The transport of a block that starts `frame` frames into a run at a steady tempo in 4/4, with
// tempo, musical position, bar start, time signature and continuous time: playing from beat 0,
// or, when not `playing`, standing still there (the position stays at 0, whatever the frame).
Steinberg::Vst::ProcessContext block_context(std::uint64_t frame, double sample_rate, double tempo,
                                             bool playing);

// Whether the run keeps the plug-in's audio outputs active. A host deactivates an output bus
// nobody listens to (IComponent::activateBus) and then sends its record with null channels.
enum class AudioOutputs { active, inactive };

// As run_host, on a VST3 bundle: opens options.module (ModuleEntry, GetPluginFactory), creates
// its first audio-module class, initialises it with a host application, activates its buses,
// sets its state from the state file if any, sets up processing at 48 kHz in blocks of 256,
// activates it and runs options.seconds with the transport of options.tempo and options.stopped
// (block_context), printing each output event as run_host prints the same MIDI message, then
// saves the state if asked and shuts everything down in reverse (ModuleExit, dlclose). `notes` go
// in on event bus 0. Returns 0, or 1 when a step failed.
int run_vst3_host(const HostOptions& options, std::ostream& out, std::ostream& err,
                  const std::vector<NoteIn>& notes = {},
                  AudioOutputs audio_outputs = AudioOutputs::active);

}  // namespace ondrix_tools
