#pragma once

#include <cstdint>

#include "numeric.hpp"

// The last step of a control tick: an output's value in 0..1 and the control changes it sends.
namespace ondrix_engine {

// The last MIDI value sent for one output: `valid` 0 means nothing was sent since the record was
// cleared; otherwise `last` holds the value in 14-bit scale (a 7-bit value shifted left by 7).
// Thread: audio thread. Owner: the Engine, one per output.
struct Sent {
    std::uint16_t valid = 0;
    std::uint16_t last = 0;

    friend bool operator==(const Sent&, const Sent&) = default;
};

// What the output stage reads of one output, gathered once when a patch is applied.
// Thread: audio thread. Owner: the Engine, one per output.
struct OutputPlan {
    // steady: a routed output that no route drives, so its value never changes.
    enum class Kind : std::uint8_t { routed, clock, run, reset, steady };

    Kind kind = Kind::routed;
    bool bipolar = true;
    bool sends = false;        // enabled, with a MIDI destination
    bool fine = false;         // sends 14-bit values on cc and cc + 32 (fine, with cc below 32)
    std::uint8_t channel = 0;  // MIDI channel 0..15
    std::uint8_t cc = 0;       // controller number 0..127
    float offset = 0.0f;
    float ppqn = 0.0f;
};

namespace output_stage {

// A routed output's value from its offset plus route sum x.
inline float routed(float x, bool bipolar) {
    if (bipolar) return (numeric::clamp(x, -1.0f, 1.0f) + 1.0f) * 0.5f;
    return numeric::clamp(x, 0.0f, 1.0f);
}

// A clock of `ppqn` cycles per beat, high in the first half of each cycle; 0 when not running.
inline float clock(float ppqn, double beat, bool running) {
    if (!running) return 0.0f;
    double q = static_cast<double>(numeric::at_least(ppqn, 0.015625f)) * beat;
    return numeric::frac(q) < 0.5 ? 1.0f : 0.0f;
}

}  // namespace output_stage
}  // namespace ondrix_engine
