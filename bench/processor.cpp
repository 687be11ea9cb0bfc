// Processor::process at 48 kHz in blocks of 256 frames, for the default patch and for a heavy
// patch. The counter "x_realtime" is simulated audio seconds per CPU second.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core.hpp"
#include "heavy_patch.hpp"
#include "processor.hpp"
#include "settings/patch.hpp"

namespace {

using namespace ondrix_engine;
using ondrix_plugin_core::Core;
using ondrix_plugin_core::Midi;
using ondrix_plugin_core::Processor;
using settings::Patch;

constexpr double SAMPLE_RATE = 48000.0;
constexpr std::uint32_t FRAMES = 256;

void run(benchmark::State& state, const Patch* patch) {
    auto core = std::make_shared<Core>();
    if (patch != nullptr) {
        // Queued the way Core::set_patch leaves a patch for the processor to take.
        core->try_with_pending_patch([&](std::optional<Patch>& pending) { pending = *patch; });
    }
    Processor processor(core, SAMPLE_RATE);
    std::vector<Midi> out;
    out.reserve(ondrix_plugin_core::MIDI_EVENT_CAPACITY);
    double beat = 0.0;
    std::size_t events = 0;
    for (auto _ : state) {
        out.clear();
        processor.process(FRAMES, 1, true, out, 120.0f, beat);
        beat += FRAMES / SAMPLE_RATE * 2.0;
        events += out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * FRAMES / SAMPLE_RATE,
                           benchmark::Counter::kIsRate);
    state.counters["events_per_block"] =
        static_cast<double>(events) / static_cast<double>(state.iterations());
}

void BM_ProcessDefaultPatch(benchmark::State& state) {
    run(state, nullptr);
}

void BM_ProcessHeavyPatch(benchmark::State& state) {
    static const Patch heavy = ondrix_bench::heavy_patch();
    run(state, &heavy);
}

BENCHMARK(BM_ProcessDefaultPatch);
BENCHMARK(BM_ProcessHeavyPatch);

}  // namespace
