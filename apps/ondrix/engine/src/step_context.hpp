#pragma once

#include <cstdint>

namespace ondrix_engine {

// What the host's transport says for one Engine::step call.
// Thread: built and read on the audio thread. Owner: the caller, passed by reference.
struct StepContext {
    // Bit of `flags` that says the host supplies a tempo.
    static constexpr std::uint32_t HAS_TEMPO = 1u;
    // The tempos the engine runs at, in beats per minute; any other is clamped into them.
    static constexpr float MIN_TEMPO = 20.0f;
    static constexpr float MAX_TEMPO = 999.0f;

    std::uint32_t playing = 0;  // 1: the transport plays and has a beat timeline; else 0
    double beat = 0.0;          // host song position in beats at the first tick of the call
    std::uint32_t flags = 0;    // host transport flags; only HAS_TEMPO is read
    float tempo = 120.0f;       // host tempo in beats per minute, valid with HAS_TEMPO
};

}  // namespace ondrix_engine
