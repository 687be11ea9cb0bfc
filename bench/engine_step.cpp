// The engine's cost per control tick, as the processor drives it: four 1 ms ticks per call
// under a playing host transport. Each benchmark reports `x_realtime`, the simulated seconds
// run per CPU second.
//
//   T     the default patch
//   W     16 enabled sources covering every shape at 5 Hz, 64 enabled outputs (the first 32 of
//         them 14-bit) and 512 routes, half of them into source parameters
//   W1024 W with 1,024 routes

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine.hpp"
#include "settings/patch.hpp"

namespace {

using namespace ondrix_engine;
using settings::Motion;
using settings::Patch;
using settings::Rate;
using settings::Route;
using settings::Shape;
using settings::Source;
using settings::Target;

constexpr std::uint32_t TICKS_PER_CALL = 4;

Patch heavy_patch(std::size_t route_count) {
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
        settings::Output o;
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
                Route{from, tap, 0.02f,
                      Target::Source{n % 16, static_cast<settings::Param>(n / 16 % 9)}});
        } else {
            patch.routes.push_back(Route{from, tap, 0.3f, Target::Output{(r / 2) % 64}});
        }
    }
    return patch;
}

void run(benchmark::State& state, const Patch& patch) {
    Engine engine(patch);
    std::vector<Cc> out;
    out.reserve(512);
    const double beats_per_call = TICKS_PER_CALL * static_cast<double>(120.0f / 60.0f * 0.001f);
    StepContext context{1, 0.0, StepContext::HAS_TEMPO, 120.0f};
    for (auto _ : state) {
        out.clear();
        engine.step(TICKS_PER_CALL, context, out);
        context.beat += beats_per_call;
        benchmark::DoNotOptimize(out.data());
        benchmark::DoNotOptimize(engine.values().data());
    }
    const double simulated = static_cast<double>(state.iterations()) * TICKS_PER_CALL * 0.001;
    state.counters["x_realtime"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}

void T(benchmark::State& state) {
    run(state, Patch::defaults());
}
void W(benchmark::State& state) {
    run(state, heavy_patch(512));
}
void W1024(benchmark::State& state) {
    run(state, heavy_patch(1024));
}

BENCHMARK(T);
BENCHMARK(W);
BENCHMARK(W1024);

}  // namespace
