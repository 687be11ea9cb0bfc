#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core.hpp"
#include "engine.hpp"

namespace ondrix_plugin_core {

// Most events one block may carry; the caller's output list is made with this much room.
inline constexpr std::size_t MIDI_EVENT_CAPACITY = 8192;

// One generated MIDI control change, placed at a sample of the current block.
// Thread: audio thread. Owner: the caller's output list.
struct Midi {
    // Sample offset within the block, 0 to frames - 1.
    std::uint32_t time = 0;
    // Status 0xB0 | channel, controller number, value.
    std::array<std::uint8_t, 3> data{};

    friend bool operator==(const Midi&, const Midi&) = default;
};

// Drives the engine of one activation from the host's audio blocks: applies patches queued in the
// Core, carries out restart requests, runs the 1 ms control ticks that fall inside each block and
// turns their control changes into timed Midi events; records trace frames and live values.
// Thread: built on the main thread at activation, then used by the audio thread only.
// Owner: the active instance's audio processor.
class Processor {
  public:
    // Takes the Core's pending patch (waiting for its lock), or uses the default patch.
    Processor(std::shared_ptr<Core> core, double sample_rate);

    // One audio block. Bit 0 of `flags` says the host gives `tempo` (beats per minute);
    // `playing` says the transport plays, `song_position` being its position in beats at the
    // block's first frame. Appends the block's events to `out` in time order, within the room
    // `out` already has and at most MIDI_EVENT_CAPACITY events; never allocates unless a new
    // patch is applied.
    void process(std::uint32_t frames, std::uint32_t flags, bool playing, std::vector<Midi>& out,
                 float tempo, double song_position);

    // Appends one trace frame of the engine's current taps and values to the Core.
    void record();

    // Publishes the engine's current taps and values to the Core's live cells.
    void store_live();

    ondrix_engine::Engine& engine() { return engine_; }
    const ondrix_engine::Engine& engine() const { return engine_; }

    // Sample position, counted from the start of the next block, of the next control tick.
    double position() const { return position_; }

  private:
    ondrix_engine::Engine engine_;
    std::vector<ondrix_engine::Cc> scratch_;
    std::shared_ptr<Core> core_;
    double samples_per_ms_;
    double position_ = 0.0;
    std::uint32_t ticks_since_record_ = 0;
};

}  // namespace ondrix_plugin_core
