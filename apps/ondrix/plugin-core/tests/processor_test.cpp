#include "processor.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "allocation_counter.hpp"
#include "settings/patch.hpp"
#include "test_patches.hpp"

namespace ondrix_plugin_core {
namespace {

using nlohmann::json;
using ondrix_engine::settings::Patch;

std::shared_ptr<Core> core_with(const json& patch) {
    auto core = std::make_shared<Core>();
    EXPECT_TRUE(core->set_patch(patch));
    return core;
}

// One block without host tempo or transport, into a list with `room` events of room.
std::vector<Midi> run_block(Processor& processor, std::uint32_t frames,
                            std::size_t room = MIDI_EVENT_CAPACITY) {
    std::vector<Midi> out;
    out.reserve(room);
    processor.process(frames, 0, false, out, 120.0f, 0.0);
    return out;
}

// The distinct sample offsets of a block's events: one per control tick with a patch that sends
// on every tick.
std::vector<std::uint32_t> tick_offsets(const std::vector<Midi>& events) {
    std::vector<std::uint32_t> offsets;
    for (const Midi& event : events) {
        if (offsets.empty() || offsets.back() != event.time) offsets.push_back(event.time);
    }
    return offsets;
}

std::array<float, LIVE_SOURCE_COUNT> flat_taps(const ondrix_engine::Engine& engine) {
    std::array<float, LIVE_SOURCE_COUNT> flat{};
    for (std::size_t s = 0; s < 16; ++s) {
        for (std::size_t t = 0; t < 4; ++t) flat[4 * s + t] = engine.taps()[s][t];
    }
    return flat;
}

TEST(ProcessorTiming, TicksFallOnOneTimelineAcrossBlocks) {
    using Offsets = std::vector<std::uint32_t>;
    const Offsets first_256 = {0, 48, 96, 144, 192, 240};
    const Offsets second_256 = {32, 80, 128, 176, 224};
    struct Case {
        std::string name;
        std::vector<std::uint32_t> blocks;
        std::vector<Offsets> ticks;     // per block
        std::vector<double> positions;  // after each block
        std::size_t trace_frames;       // after all blocks
    };
    const std::vector<Case> cases = {
        {"256-frame blocks", {256, 256}, {first_256, second_256}, {32, 16}, 2},
        {"blocks shorter than a tick", {16, 16, 16, 16}, {{0}, {}, {}, {0}}, {32, 16, 0, 32}, 0},
        {"zero frames", {0, 256, 0, 256}, {{}, first_256, {}, second_256}, {0, 32, 32, 16}, 2},
        {"four ticks make a trace frame", {192, 1}, {{0, 48, 96, 144}, {0}}, {0, 47}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto core = core_with(test_patches::saw_every_tick());
        Processor processor(core, 48000.0);
        for (std::size_t b = 0; b < c.blocks.size(); ++b) {
            SCOPED_TRACE("block " + std::to_string(b));
            const auto events = run_block(processor, c.blocks[b]);
            EXPECT_EQ(tick_offsets(events), c.ticks[b]);
            EXPECT_EQ(processor.position(), c.positions[b]);
        }
        EXPECT_EQ(core->take_live().trace.size(), c.trace_frames * TRACE_FRAME_SIZE);
    }
}

TEST(ProcessorTiming, TicksAt44100HzFallOnTheSampleTheirTimeLiesIn) {
    auto core = core_with(test_patches::saw_every_tick());
    Processor processor(core, 44100.0);
    std::vector<std::uint64_t> ticks;
    std::uint64_t block_start = 0;
    for (int block = 0; block < 173; ++block, block_start += 256) {
        for (std::uint32_t offset : tick_offsets(run_block(processor, 256))) {
            ticks.push_back(block_start + offset);
        }
    }
    // 173 blocks of 256 frames hold the ticks at 44.1 * k for k = 0 .. 1004, each on the sample
    // floor(44.1 * k): offsets 44 or 45 apart, never rounded up to the nearer sample.
    ASSERT_EQ(ticks.size(), 1005u);
    for (std::uint64_t k = 0; k < ticks.size(); ++k) {
        ASSERT_EQ(ticks[k], k * 441 / 10) << "tick " << k;
    }
}

TEST(ProcessorTiming, EverySliceStartsAtTheHostBeatOfItsFirstTick) {
    // A saw locked to the beat, one cycle per beat: its tap follows the beat of the last tick.
    const json locked = {
        {"sources", {{{"shape", {{"kind", "saw"}}}, {"rate", {{"mode", "sync"}, {"beats", 1}}}}}},
        {"outputs", json::array()}};
    constexpr double beats_per_sample = 120.0 / 60.0 / 48000.0;
    const auto play = [](Processor& processor, std::uint32_t frames, std::uint64_t start) {
        std::vector<Midi> out;
        out.reserve(MIDI_EVENT_CAPACITY);
        processor.process(frames, ondrix_engine::StepContext::HAS_TEMPO, true, out, 120.0f,
                          static_cast<double>(start) * beats_per_sample + 3.0);
    };

    // Reference: one tick per block, so each tick gets the host position of its own block.
    auto reference_core = core_with(locked);
    Processor reference(reference_core, 48000.0);
    std::vector<float> at_tick;
    for (std::uint64_t k = 0; k < 64; ++k) {
        play(reference, 48, 48 * k);
        at_tick.push_back(reference_core->take_live().sources[0]);
    }

    // Blocks of 256 frames split into slices of up to four ticks; the beat inside a block moves
    // with the sample position of each slice.
    auto core = core_with(locked);
    Processor processor(core, 48000.0);
    for (std::uint64_t block = 0; block < 12; ++block) {
        SCOPED_TRACE("block " + std::to_string(block));
        play(processor, 256, 256 * block);
        const std::uint64_t last_tick = (256 * (block + 1) - 1) / 48;
        EXPECT_NEAR(core->take_live().sources[0], at_tick[last_tick], 1e-5);
    }
}

TEST(ProcessorTiming, RatesBelowOneHertzOrNotANumberCountAsOneHertz) {
    // At 1 Hz a control tick is a thousandth of a sample: a block of two frames runs 2000 ticks.
    Processor reference(core_with(test_patches::saw_every_tick()), 1.0);
    const auto expected = run_block(reference, 2);
    ASSERT_EQ(tick_offsets(expected), (std::vector<std::uint32_t>{0, 1}));

    for (const double rate : {std::nan(""), 0.0, 0.5, -44100.0}) {
        SCOPED_TRACE(rate);
        Processor processor(core_with(test_patches::saw_every_tick()), rate);
        EXPECT_EQ(run_block(processor, 2), expected);
        EXPECT_EQ(processor.position(), reference.position());
    }
}

TEST(ProcessorEvents, CarryChannelControllerAndValueOfEachChange) {
    json patch = test_patches::saw_every_tick();
    patch["outputs"][0]["channel"] = 17;
    auto core = core_with(patch);
    Processor processor(core, 48000.0);

    const auto events = run_block(processor, 96);
    // The first tick sends both halves of the 14-bit value (one tick above the saw's bottom:
    // 16 of 16383), the second only the lower half.
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], (Midi{0, {0xB1, 1, 0}}));
    EXPECT_EQ(events[1], (Midi{0, {0xB1, 33, 16}}));
    EXPECT_EQ(events[2].time, 48u);
    EXPECT_EQ(events[2].data[0], 0xB1);
    EXPECT_EQ(events[2].data[1], 33);
}

TEST(ProcessorEvents, ABlockKeepsTheFirstEventsThatFitInTimeOrder) {
    // Reference: the same patch one tick per block, with room to spare.
    std::vector<Midi> reference;
    {
        Processor processor(core_with(test_patches::busy_outputs()), 48000.0);
        for (std::uint32_t tick = 0; tick < 200; ++tick) {
            for (Midi event : run_block(processor, 48)) {
                event.time += 48 * tick;
                reference.push_back(event);
            }
        }
    }
    ASSERT_GT(reference.size(), MIDI_EVENT_CAPACITY);

    for (std::size_t room : {MIDI_EVENT_CAPACITY, MIDI_EVENT_CAPACITY + 100, std::size_t{100}}) {
        SCOPED_TRACE("room " + std::to_string(room));
        Processor processor(core_with(test_patches::busy_outputs()), 48000.0);
        std::vector<Midi> out;
        out.reserve(room);
        const auto capacity = out.capacity();
        processor.process(200 * 48, 0, false, out, 120.0f, 0.0);

        const std::size_t kept = std::min(room, MIDI_EVENT_CAPACITY);
        EXPECT_EQ(out.capacity(), capacity);
        ASSERT_EQ(out.size(), kept);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), reference.begin()));
    }
}

TEST(ProcessorRestart, RequestIsCarriedOutBeforeTheFirstTickOfTheNextBlock) {
    auto core = core_with(test_patches::reset_pulse());
    Processor processor(core, 48000.0);
    EXPECT_EQ(run_block(processor, 256), (std::vector<Midi>{{0, {0xB0, 30, 0}}}));

    core->restart();
    EXPECT_EQ(run_block(processor, 256), (std::vector<Midi>{{32, {0xB0, 30, 127}}}));

    // The request is used up: the pulse ends once and does not come back.
    std::vector<Midi> later;
    for (int block = 0; block < 10; ++block) {
        for (const Midi& event : run_block(processor, 256)) later.push_back(event);
    }
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].data[2], 0);
}

TEST(ProcessorPatches, PatchQueuedWhileTheLockIsHeldIsAppliedInALaterBlock) {
    auto core = core_with(test_patches::constant(0.25));
    Processor processor(core, 48000.0);
    run_block(processor, 256);
    ASSERT_EQ(core->take_live().outputs[0], 0.25f);

    // Stand in for a main thread that holds the pending-patch lock while the audio thread runs.
    const bool held = core->try_with_pending_patch([&](std::optional<Patch>& pending) {
        pending = Patch::from_json_tree(test_patches::constant(0.75)).value();
        std::thread audio([&] { run_block(processor, 256); });
        audio.join();
    });
    ASSERT_TRUE(held);
    EXPECT_EQ(core->take_live().outputs[0], 0.25f);

    run_block(processor, 256);
    EXPECT_EQ(core->take_live().outputs[0], 0.75f);
}

TEST(ProcessorPatches, ActivationTakesThePendingPatchAndLaterOnesStartFromTheDefault) {
    auto core = core_with(test_patches::constant(0.25));
    ASSERT_TRUE(core->set_patch(test_patches::constant(0.75)));
    {
        Processor first(core, 48000.0);
        run_block(first, 256);
        EXPECT_EQ(core->take_live().outputs[0], 0.75f);
    }

    auto fresh = std::make_shared<Core>();
    Processor by_default(fresh, 48000.0);
    run_block(by_default, 256);
    Processor second(core, 48000.0);
    run_block(second, 256);
    const Live expected = fresh->take_live();
    const Live live = core->take_live();
    EXPECT_EQ(live.sources, expected.sources);
    EXPECT_EQ(live.outputs, expected.outputs);
}

TEST(ProcessorLive, PublishesTheEngineValuesAfterEveryBlock) {
    auto core = core_with(test_patches::saw_every_tick());
    Processor processor(core, 48000.0);
    run_block(processor, 192);  // exactly four ticks: one trace frame, at the block's end

    Live live = core->take_live();
    EXPECT_EQ(live.sources, flat_taps(processor.engine()));
    EXPECT_EQ(live.outputs, processor.engine().values());
    ASSERT_EQ(live.trace.size(), TRACE_FRAME_SIZE);
    EXPECT_TRUE(std::equal(live.sources.begin(), live.sources.end(), live.trace.begin()));
    EXPECT_TRUE(std::equal(live.outputs.begin(), live.outputs.end(), live.trace.begin() + 64));
    ASSERT_NE(live.sources[0], 0.0f);

    // A block without ticks still publishes them again.
    core->store_live(std::array<float, 64>{}, std::array<float, 64>{});
    run_block(processor, 0);
    live = core->take_live();
    EXPECT_EQ(live.sources, flat_taps(processor.engine()));
    EXPECT_EQ(live.outputs, processor.engine().values());
    EXPECT_TRUE(live.trace.empty());
}

TEST(ProcessorLive, TraceFrameHoldsTheFourthTickEvenInsideABlock) {
    auto reference_core = core_with(test_patches::saw_every_tick());
    Processor reference(reference_core, 48000.0);
    run_block(reference, 192);
    const Live at_fourth_tick = reference_core->take_live();

    // Two blocks of three ticks: the frame falls on the first tick of the second block.
    auto core = core_with(test_patches::saw_every_tick());
    Processor processor(core, 48000.0);
    run_block(processor, 144);
    run_block(processor, 144);
    const Live live = core->take_live();
    ASSERT_EQ(live.trace.size(), TRACE_FRAME_SIZE);
    EXPECT_TRUE(std::equal(at_fourth_tick.sources.begin(), at_fourth_tick.sources.end(),
                           live.trace.begin()));
    EXPECT_TRUE(std::equal(at_fourth_tick.outputs.begin(), at_fourth_tick.outputs.end(),
                           live.trace.begin() + 64));
}

TEST(ProcessorRealTime, WarmBlocksAllocateNothing) {
    auto core = core_with(test_patches::busy_outputs());
    Processor processor(core, 44100.0);
    std::vector<Midi> out;
    out.reserve(MIDI_EVENT_CAPACITY);
    processor.process(256, 0, false, out, 120.0f, 0.0);

    ondrix_testing::AllocationCounter counter;
    const std::array<std::uint32_t, 6> sizes = {0, 1, 16, 256, 441, 9600};
    for (std::uint32_t block = 0; block < 120; ++block) {
        if (block % 7 == 0) core->restart();
        out.clear();
        processor.process(sizes[block % sizes.size()], block % 3 == 0 ? 1u : 0u, block % 2 == 0,
                          out, 140.0f, 0.25 * block);
    }
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace ondrix_plugin_core
