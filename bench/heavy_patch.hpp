#pragma once

// The heavy patch W shared by the engine and processor benchmarks: 16 enabled sources covering
// every shape at 5 Hz (two ponds, cells, pendulum, lorenz, wander, a 256-entry drawn table, morph,
// sampleHold, smoothRandom, the waveforms, drift and spin), 64 enabled outputs (the first 32 of
// them 14-bit) and `route_count` routes, half of them into source parameters.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "settings/patch.hpp"

namespace ondrix_bench {

inline ondrix_engine::settings::Patch heavy_patch(std::size_t route_count = 512) {
    using namespace ondrix_engine::settings;

    Patch patch;
    std::vector<float> table(256);
    for (std::size_t n = 0; n < table.size(); ++n) {
        table[n] = static_cast<float>(n % 17) / 8.0f - 1.0f;
    }
    const std::vector<Shape> shapes = {
        Shape::Field{Motion::Rain},
        Shape::Field{Motion::Wave},
        Shape::Field{Motion::Cells},
        Shape::Pendulum{},
        Shape::Lorenz{},
        Shape::Wander{},
        Shape::Drawn{table},
        Shape::Morph{},
        Shape::SampleHold{},
        Shape::SmoothRandom{},
        Shape::Sine{},
        Shape::Triangle{},
        Shape::Saw{},
        Shape::Square{},
        Shape::Field{Motion::Drift},
        Shape::Field{Motion::Spin},
    };
    for (const Shape& shape : shapes) {
        patch.sources.push_back(Source::lfo(shape, Rate::free(5.0f)));
    }
    for (std::size_t j = 0; j < 64; ++j) {
        Output o;
        o.cc = static_cast<std::uint8_t>(j < 32 ? j : 32 + j);
        o.fine = j < 32;
        patch.outputs.push_back(o);
    }
    for (std::size_t r = 0; r < route_count; ++r) {
        const std::size_t from = (r * 7) % 16;
        const std::size_t tap = r % 4;
        if (r % 2 == 0) {
            const std::size_t n = r / 2;
            patch.routes.push_back(
                Route{from, tap, 0.02f, Target::Source{n % 16, static_cast<Param>(n / 16 % 9)}});
        } else {
            patch.routes.push_back(Route{from, tap, 0.3f, Target::Output{(r / 2) % 64}});
        }
    }
    return patch;
}

}  // namespace ondrix_bench
