#pragma once

#include <array>
#include <cstddef>

#include "patch_builders.hpp"

namespace ondrix_engine::testing {

// Sixteen sources covering every shape, four field motions (which four: `motions`), free and
// synced rates, each processing step (unipolar, smoothing, roughness, bits), routes into every
// source parameter and outputs of every signal in 7-bit and 14-bit form.
inline Patch every_shape_patch(std::array<settings::Motion, 4> motions) {
    using settings::Motion;
    Patch patch;
    patch.tempo = 132.0f;
    auto add = [&](Shape shape, Rate rate) -> Source& {
        patch.sources.push_back(Source::lfo(std::move(shape), rate));
        return patch.sources.back();
    };
    add(Shape::Sine{}, Rate::free(0.7f)).b = 0.3f;
    add(Shape::Triangle{}, Rate::sync(1.0f)).a = 0.3f;
    add(Shape::Saw{}, Rate::free(2.5f)).b = 0.4f;
    add(Shape::Square{}, Rate::sync(0.5f)).b = 0.2f;
    Source& sample_hold = add(Shape::SampleHold{}, Rate::free(6.0f));
    sample_hold.a = 0.7f;
    sample_hold.smooth = 0.02f;
    add(Shape::SmoothRandom{}, Rate::free(3.0f)).b = 0.5f;
    Source& morph = add(Shape::Morph{}, Rate::free(1.3f));
    morph.a = 0.45f;
    morph.rough = 0.4f;
    Source& drawn = add(Shape::Drawn{{-1.0f, 0.2f, 0.9f, -0.4f, 0.0f}}, Rate::free(1.1f));
    drawn.a = 0.8f;
    drawn.bits = 5;
    for (Motion m : motions) add(Shape::Field{m}, Rate::free(2.0f)).spread = 0.6f;
    add(Shape::Pendulum{}, Rate::free(1.0f)).unipolar = true;
    add(Shape::Lorenz{}, Rate::free(4.0f)).depth = 0.8f;
    add(Shape::CvIn{2}, Rate::free(1.0f)).offset = 0.1f;
    add(Shape::Wander{}, Rate::free(5.0f)).phase = 0.3f;

    for (std::size_t p = 0; p < 9; ++p) {
        auto param = static_cast<Param>(p);
        patch.routes.push_back(to_param(p, p % 4, 0.05f, (p + 3) % 16, param));
        patch.routes.push_back(to_param(15 - p, 1, -0.04f, p, param));
    }
    for (std::size_t j = 0; j < 20; ++j) {
        Output o = midi_output(static_cast<std::uint8_t>(j < 8 ? j : 40 + j), j % 3 != 0);
        o.fine = j < 8;
        o.channel = static_cast<std::uint8_t>(j % 4);
        patch.outputs.push_back(o);
        patch.routes.push_back(to_output(j % 16, j % 4, 0.8f, j));
        patch.routes.push_back(to_output((j + 5) % 16, (j + 1) % 4, 0.3f, j));
    }
    patch.outputs.push_back(signal_output(Signal::Clock{4.0f}, 70));
    patch.outputs.push_back(signal_output(Signal::Run{}, 71));
    patch.outputs.push_back(signal_output(Signal::Reset{}, 72));
    return patch;
}

inline Patch every_shape_patch() {
    using settings::Motion;
    return every_shape_patch({Motion::Drift, Motion::Rain, Motion::Wave, Motion::Cells});
}

}  // namespace ondrix_engine::testing
