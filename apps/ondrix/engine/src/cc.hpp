#pragma once

#include <cstdint>

namespace ondrix_engine {

// One MIDI control change the engine asks the caller to send.
// Thread: audio thread. Owner: the caller's list that Engine::step appends to.
struct Cc {
    std::uint64_t tick = 0;    // control tick within the Engine::step call, from 0
    std::uint8_t channel = 0;  // MIDI channel 0..15
    std::uint8_t cc = 0;       // controller number 0..127
    std::uint8_t value = 0;    // controller value 0..127

    friend bool operator==(const Cc&, const Cc&) = default;
};

}  // namespace ondrix_engine
