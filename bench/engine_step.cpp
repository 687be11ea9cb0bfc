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
#include "heavy_patch.hpp"
#include "settings/patch.hpp"

namespace {

using namespace ondrix_engine;
using settings::Patch;

constexpr std::uint32_t TICKS_PER_CALL = 4;

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
    run(state, ondrix_bench::heavy_patch(512));
}
void W1024(benchmark::State& state) {
    run(state, ondrix_bench::heavy_patch(1024));
}

BENCHMARK(T);
BENCHMARK(W);
BENCHMARK(W1024);

}  // namespace
