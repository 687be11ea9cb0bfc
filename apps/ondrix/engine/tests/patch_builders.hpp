#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cc.hpp"
#include "engine.hpp"
#include "settings/patch.hpp"
#include "step_context.hpp"

// Small builders for the engine tests: a patch holds only what a test needs, the engine pads
// the rest with disabled sources and outputs.
namespace ondrix_engine::testing {

using settings::Dest;
using settings::Output;
using settings::Param;
using settings::Patch;
using settings::Rate;
using settings::Route;
using settings::Shape;
using settings::Signal;
using settings::Source;
using settings::Target;

inline Patch empty_patch() {
    return Patch{};
}

// A source that stands still at phase `phase` (free rate 0 Hz).
inline Source still(Shape shape, float phase = 0.0f) {
    Source s = Source::lfo(std::move(shape), Rate::free(0.0f));
    s.phase = phase;
    return s;
}

inline Output midi_output(std::uint8_t cc, bool bipolar = true, float offset = 0.0f) {
    Output o;
    o.cc = cc;
    o.bipolar = bipolar;
    o.offset = offset;
    return o;
}

inline Output signal_output(Signal signal, std::uint8_t cc) {
    Output o = midi_output(cc);
    o.signal = std::move(signal);
    return o;
}

inline Route to_output(std::size_t from, std::size_t tap, float amount, std::size_t index) {
    return Route{from, tap, amount, Target::Output{index}};
}

inline Route to_param(std::size_t from, std::size_t tap, float amount, std::size_t index,
                      Param param) {
    return Route{from, tap, amount, Target::Source{index, param}};
}

// A context with no host tempo: the engine runs on its own at the patch tempo.
inline StepContext free_running() {
    return StepContext{};
}

inline StepContext host(bool playing, double beat, float tempo) {
    return StepContext{playing ? 1u : 0u, beat, StepContext::HAS_TEMPO, tempo};
}

// Steps one tick with room for `room` records and returns what was sent.
inline std::vector<Cc> tick(Engine& engine, const StepContext& context = free_running(),
                            std::size_t room = 512) {
    std::vector<Cc> out;
    out.reserve(room);
    engine.step(1, context, out);
    return out;
}

}  // namespace ondrix_engine::testing
