// Processor::process at 48 kHz in blocks of 256 frames, for the default patch and for a heavy
// patch. The counter "x_realtime" is simulated audio seconds per CPU second.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core.hpp"
#include "processor.hpp"
#include "settings/patch.hpp"

namespace {

using namespace ondrix_engine;
using ondrix_plugin_core::Core;
using ondrix_plugin_core::Midi;
using ondrix_plugin_core::Processor;
using settings::Motion;
using settings::Patch;
using settings::Rate;
using settings::Route;
using settings::Shape;
using settings::Source;
using settings::Target;

constexpr double SAMPLE_RATE = 48000.0;
constexpr std::uint32_t FRAMES = 256;

// The engine benchmarks' heavy patch W: 16 enabled sources covering every shape at 5 Hz, 64
// enabled outputs (the first 32 of them 14-bit) and 512 routes, half into source parameters.
Patch heavy_patch() {
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
    for (std::size_t r = 0; r < 512; ++r) {
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
    static const Patch heavy = heavy_patch();
    run(state, &heavy);
}

BENCHMARK(BM_ProcessDefaultPatch);
BENCHMARK(BM_ProcessHeavyPatch);

}  // namespace
