#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core.hpp"
#include "processor.hpp"
#include "settings/patch.hpp"

namespace ondrix_plugin_core {
namespace {

using nlohmann::json;

// Output 0 holds `level` exactly; odd patches also carry a rain field source, whose generator is
// made and freed by the audio thread when patches change.
json patch_at(int i, double level) {
    json sources = json::array();
    if (i % 2 == 1) {
        sources.push_back({{"shape", {{"kind", "field"}, {"motion", "rain"}}},
                           {"rate", {{"mode", "free"}, {"hz", 3}}}});
    }
    return {{"sources", sources},
            {"outputs", {{{"cc", 20}, {"bipolar", false}, {"offset", level}}}}};
}

// Multiples of 1/4096 below 1: exact as 32-bit floats, all different, never clamped.
double level_of(int i) {
    return (i + 1) / 4096.0;
}

TEST(ProcessorThreads, MainThreadCallsRaceTheAudioThreadSafely) {
    constexpr int kPatches = 2000;
    std::vector<float> levels;
    for (int i = 0; i < kPatches; ++i) levels.push_back(static_cast<float>(level_of(i)));
    const auto is_level = [&](float v) {
        return std::find(levels.begin(), levels.end(), v) != levels.end();
    };
    // Every value a reader may see: a level on output 0, 0.5 on the padded outputs, finite taps.
    const auto whole = [&](std::span<const float> sources, std::span<const float> outputs) {
        if (!is_level(outputs[0])) return false;
        if (!std::all_of(outputs.begin() + 1, outputs.end(), [](float v) { return v == 0.5f; })) {
            return false;
        }
        return std::all_of(sources.begin(), sources.end(),
                           [](float v) { return std::isfinite(v); });
    };

    auto core = std::make_shared<Core>();
    ASSERT_TRUE(core->set_patch(patch_at(0, level_of(0))));
    Processor processor(core, 48000.0);
    std::vector<Midi> first;
    first.reserve(MIDI_EVENT_CAPACITY);
    processor.process(256, 0, false, first, 120.0f, 0.0);

    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<Midi> out;
        out.reserve(MIDI_EVENT_CAPACITY);
        for (std::uint32_t block = 0; !stop.load(std::memory_order_acquire); ++block) {
            out.clear();
            processor.process(32 + block % 300, block % 2, block % 4 < 2, out, 128.0f,
                              0.01 * block);
        }
    });

    int torn = 0;
    const auto check = [&](const Live& live) {
        if (!whole(live.sources, live.outputs)) ++torn;
        if (live.trace.size() % TRACE_FRAME_SIZE != 0) ++torn;
        for (std::size_t at = 0; at + TRACE_FRAME_SIZE <= live.trace.size();
             at += TRACE_FRAME_SIZE) {
            std::span<const float> frame(live.trace.data() + at, TRACE_FRAME_SIZE);
            if (!whole(frame.first(64), frame.subspan(64))) ++torn;
        }
    };
    for (int i = 1; i < kPatches; ++i) {
        const json patch = patch_at(i, level_of(i));
        if (i % 2 == 0) {
            ASSERT_TRUE(core->set_patch(patch));
        } else {
            ASSERT_TRUE(core->load_state(json{{"patch", patch}, {"version", 1}}.dump()));
        }
        core->restart();
        check(core->take_live());
        EXPECT_EQ(core->patch_json(), patch);
    }

    // The audio thread ends up playing the last patch set.
    const float last = levels.back();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    float playing = 0.0f;
    while (std::chrono::steady_clock::now() < deadline) {
        Live live = core->take_live();
        check(live);
        playing = live.outputs[0];
        if (playing == last) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop.store(true, std::memory_order_release);
    audio.join();

    EXPECT_EQ(playing, last);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(core->loaded_epoch(), static_cast<std::uint32_t>(kPatches / 2));
    const auto expected =
        ondrix_engine::settings::Patch::from_json_tree(patch_at(kPatches - 1, last));
    ASSERT_TRUE(expected.ok());
    EXPECT_EQ(processor.engine().patch().outputs[0], expected.value().outputs[0]);
    EXPECT_EQ(processor.engine().patch().sources[0], expected.value().sources[0]);
}

}  // namespace
}  // namespace ondrix_plugin_core
