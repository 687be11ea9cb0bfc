#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "chaos/chaos.hpp"

namespace ondrix_engine {

// The previous and the current random value of one tap of a sampleHold or smoothRandom source.
// Thread: audio thread only. Owner: the State that holds it.
struct Held {
    float from = 0.0f;
    float to = 0.0f;

    friend bool operator==(const Held&, const Held&) = default;
};

// What one source remembers from tick to tick.
// Thread: audio thread only. Owner: the Engine, one per source index.
struct State {
    // A fresh state for source `index`: its random tables are seeded from the index alone.
    explicit State(std::uint32_t index);

    std::optional<chaos::Chaos> chaos;  // the chaotic generator, for the shapes that have one
    double acc = 0.0;                   // phase accumulator in cycles, in [0, 1)
    std::array<float, 4> last_phase{};  // each tap's phase at the previous tick
    std::array<float, 4> last_out{};    // each tap's smoothed value at the previous tick
    std::array<Held, 4> held{};         // random values of sampleHold and smoothRandom
    std::array<float, 16> steps{};      // random step table of the morph shape
    std::array<float, 4> wobble{};      // from1, to1, from2, to2 of the two slow drifts
    float wobble_pos = 0.0f;            // position 0..1 of both drifts
    float cv_level = 0.0f;              // smoothed CV level (tap 3 of a cvIn source)
    bool started = false;               // false: the next tick takes its values unsmoothed
};

}  // namespace ondrix_engine
