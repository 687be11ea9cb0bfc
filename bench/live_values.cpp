// The editor page's "live_values" poll as the plug-in answers it: Page::handle for the page's
// invoke text, with the page's starter patch or the heavy patch playing (new values for every
// poll, played while the clock is stopped), for the trace frames of one display frame at 60 Hz
// (4) and for a full trace (64). "bytes" is the length of the reply.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core.hpp"
#include "heavy_patch.hpp"
#include "processor.hpp"
#include "protocol/page.hpp"
#include "settings/patch.hpp"

namespace {

using ondrix_plugin_core::Core;
using ondrix_plugin_core::Midi;
using ondrix_plugin_core::Processor;
namespace protocol = ondrix_plugin_core::protocol;

constexpr double SAMPLE_RATE = 48000.0;
// One block makes one trace frame: 4 control ticks of 1 ms.
constexpr std::uint32_t FRAMES_PER_TRACE_FRAME = 192;

// A Core with `patch` playing, the audio run on demand.
struct Playing {
    std::shared_ptr<Core> core = std::make_shared<Core>();
    std::optional<Processor> processor;
    std::vector<Midi> out;
    double beat = 0.0;

    explicit Playing(const ondrix_engine::settings::Patch& patch) {
        core->try_with_pending_patch(
            [&](std::optional<ondrix_engine::settings::Patch>& pending) { pending = patch; });
        processor.emplace(core, SAMPLE_RATE);
        out.reserve(ondrix_plugin_core::MIDI_EVENT_CAPACITY);
        // A second, for every source to be well under way.
        play(250);
        core->take_live();
    }

    // What the audio thread does between two polls: `frames` trace frames of new values.
    void play(std::size_t frames) {
        for (std::size_t f = 0; f < frames; ++f) {
            out.clear();
            processor->process(FRAMES_PER_TRACE_FRAME, 1, true, out, 120.0f, beat);
            beat += FRAMES_PER_TRACE_FRAME / SAMPLE_RATE * 2.0;
        }
    }
};

void run(benchmark::State& state, const ondrix_engine::settings::Patch& patch) {
    const auto frames = static_cast<std::size_t>(state.range(0));
    Playing playing(patch);
    protocol::Page page;
    std::uint64_t id = 1000;
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        playing.play(frames);
        const std::string message =
            R"({"args":{},"cmd":"live_values","id":)" + std::to_string(++id) + R"(,"type":"invoke"})";
        state.ResumeTiming();
        const std::vector<protocol::Action> actions = page.handle(*playing.core, message);
        bytes = std::get<protocol::Eval>(actions.back()).text.size();
        benchmark::DoNotOptimize(actions.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

// The page's starter patch (two sources and two outputs moving, the rest at 0).
void BM_LiveValuesStarterPatch(benchmark::State& state) {
    run(state, ondrix_engine::settings::Patch::defaults());
}

void BM_LiveValuesHeavyPatch(benchmark::State& state) {
    run(state, ondrix_bench::heavy_patch());
}

BENCHMARK(BM_LiveValuesStarterPatch)->Arg(4);
BENCHMARK(BM_LiveValuesHeavyPatch)->Arg(4)->Arg(64);

}  // namespace
