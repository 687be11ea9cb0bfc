// The editor page's "live_values" poll as the plug-in answers it: Page::handle for the page's
// invoke text, with the page's starter patch or the heavy patch playing, for the trace frames of
// one display frame at 60 Hz (4) and for a full trace (64). "bytes" is the length of the reply.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
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
using ondrix_plugin_core::Live;
using ondrix_plugin_core::Midi;
using ondrix_plugin_core::Processor;
using ondrix_plugin_core::TRACE_FRAME_SIZE;
namespace protocol = ondrix_plugin_core::protocol;

constexpr double SAMPLE_RATE = 48000.0;
constexpr std::uint32_t FRAMES = 480;
// A full trace.
constexpr std::size_t TRACE_FRAMES = ondrix_plugin_core::TRACE_CAPACITY / TRACE_FRAME_SIZE;

// A Core with `patch` playing, and a full trace of its frames to record again.
struct Playing {
    std::shared_ptr<Core> core = std::make_shared<Core>();
    std::vector<float> trace;

    explicit Playing(const ondrix_engine::settings::Patch& patch) {
        core->try_with_pending_patch(
            [&](std::optional<ondrix_engine::settings::Patch>& pending) { pending = patch; });
        Processor processor(core, SAMPLE_RATE);
        std::vector<Midi> out;
        out.reserve(ondrix_plugin_core::MIDI_EVENT_CAPACITY);
        double beat = 0.0;
        for (int block = 0; trace.size() < TRACE_FRAMES * TRACE_FRAME_SIZE; ++block) {
            out.clear();
            processor.process(FRAMES, 1, true, out, 120.0f, beat);
            beat += FRAMES / SAMPLE_RATE * 2.0;
            // Past the first second, where every source is well under way.
            const Live live = core->take_live();
            if (block >= 100) trace.insert(trace.end(), live.trace.begin(), live.trace.end());
        }
        trace.resize(TRACE_FRAMES * TRACE_FRAME_SIZE);
    }

    // What the audio thread records between two polls: `frames` trace frames.
    void record(std::size_t frames) {
        for (std::size_t f = 0; f < frames; ++f) {
            const std::span<const float> frame =
                std::span(trace).subspan(f * TRACE_FRAME_SIZE, TRACE_FRAME_SIZE);
            core->try_record(frame.first<ondrix_plugin_core::LIVE_SOURCE_COUNT>(),
                             frame.last<ondrix_plugin_core::LIVE_OUTPUT_COUNT>());
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
        playing.record(frames);
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
