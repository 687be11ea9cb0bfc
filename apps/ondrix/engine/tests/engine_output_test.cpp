#include <gtest/gtest.h>

#include "engine.hpp"
#include "patch_builders.hpp"

namespace ondrix_engine::testing {
namespace {

// A source at a constant 1 (a square held in its first half).
Source constant_one() {
    Source s = still(Shape::Square{}, 0.25f);
    s.spread = 0.0f;
    return s;
}

Patch outputs_only(std::vector<Output> outputs) {
    Patch patch;
    patch.outputs = std::move(outputs);
    return patch;
}

TEST(EngineOutput, RoutedValueFromOffsetAndRoutes) {
    struct Case {
        const char* name;
        bool bipolar;
        float offset;
        std::vector<float> amounts;  // routes from the constant 1
        float expected;
    };
    const std::vector<Case> cases = {
        {"bipolar, nothing routed", true, 0.0f, {}, 0.5f},
        {"unipolar, nothing routed", false, 0.0f, {}, 0.0f},
        {"unipolar offset", false, 0.3f, {}, 0.3f},
        {"bipolar, clamped high", true, 0.5f, {1.0f}, 1.0f},
        {"bipolar, clamped low", true, 0.0f, {-2.0f}, 0.0f},
        {"bipolar sum", true, 0.0f, {0.25f, 0.25f}, 0.75f},
        {"unipolar, clamped low", false, 0.2f, {-0.5f}, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Patch patch = outputs_only({midi_output(20, c.bipolar, c.offset)});
        patch.sources = {constant_one()};
        for (float amount : c.amounts) patch.routes.push_back(to_output(0, 0, amount, 0));
        Engine engine(patch);
        tick(engine);
        EXPECT_FLOAT_EQ(engine.values()[0], c.expected);
    }
}

TEST(EngineOutput, RouteSumsAddInListOrder) {
    // 1e8 + 1 - 1e8 is 0 in single precision when added in this order, 1 in most others.
    Patch patch = outputs_only({midi_output(20, false), midi_output(21, false)});
    Source follower = still(Shape::Sine{}, 0.0f);
    follower.depth = 0.0f;
    patch.sources = {constant_one(), follower};
    patch.routes = {
        to_output(0, 0, 1e8f, 0),
        to_param(0, 0, 1e8f, 1, Param::Offset),
        to_output(0, 0, 0.5f, 1),
        to_output(0, 0, 1.0f, 0),
        to_param(0, 0, 1.0f, 1, Param::Offset),
        to_param(0, 0, 0.5f, 1, Param::Depth),
        to_output(0, 0, -1e8f, 0),
        to_param(0, 0, -1e8f, 1, Param::Offset),
    };
    Engine engine(patch);
    std::vector<Cc> sent = tick(engine);
    EXPECT_EQ(engine.values()[0], 0.0f);
    EXPECT_EQ(engine.values()[1], 0.5f);
    EXPECT_EQ(engine.taps()[1][0], 0.0f);
    EXPECT_EQ(sent, (std::vector<Cc>{{0, 0, 20, 0}, {0, 0, 21, 64}}));
}

TEST(EngineOutput, SevenBitChangesAreSentOnce) {
    struct Case {
        const char* name;
        Output output;
        Cc expected;
    };
    Output channel17 = midi_output(30, false, 1.0f);
    channel17.channel = 17;
    Output fine40 = midi_output(40, false, 0.5f);
    fine40.fine = true;
    const std::vector<Case> cases = {
        {"half", midi_output(20, false, 0.5f), {0, 0, 20, 64}},
        {"full", midi_output(20, false, 1.0f), {0, 0, 20, 127}},
        {"zero", midi_output(20, false, 0.0f), {0, 0, 20, 0}},
        {"channel 17 is channel 1", channel17, {0, 1, 30, 127}},
        {"fine above 31 stays 7-bit", fine40, {0, 0, 40, 64}},
        {"controller 200 is 72", midi_output(200, false, 1.0f), {0, 0, 72, 127}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Engine engine(outputs_only({c.output}));
        EXPECT_EQ(tick(engine), std::vector<Cc>{c.expected});
        EXPECT_TRUE(tick(engine).empty());
        engine.invalidate_sent();
        EXPECT_EQ(tick(engine), std::vector<Cc>{c.expected});
    }
}

TEST(EngineOutput, FourteenBitSendsTheUpperHalfOnlyWhenItChanges) {
    Output fine = midi_output(1, false, 0.5f);
    fine.fine = true;
    Patch patch = outputs_only({fine});
    Engine engine(patch);
    EXPECT_EQ(tick(engine), (std::vector<Cc>{{0, 0, 1, 64}, {0, 0, 33, 0}}));
    EXPECT_EQ(engine.sent()[0].last, 8192);
    EXPECT_TRUE(tick(engine).empty());

    patch.outputs[0].offset = 0.5f + 1.0f / 16383.0f;
    engine.set_patch(patch);
    EXPECT_EQ(tick(engine), (std::vector<Cc>{{0, 0, 33, 1}}));

    patch.outputs[0].offset = 1.0f;
    engine.set_patch(patch);
    EXPECT_EQ(tick(engine), (std::vector<Cc>{{0, 0, 1, 127}, {0, 0, 33, 127}}));
}

TEST(EngineOutput, RecordsCarryTheirTickWithinTheCall) {
    Patch patch = outputs_only({midi_output(20, false)});
    patch.sources = {Source::lfo(Shape::Saw{}, Rate::free(100.0f))};  // 0.1 per tick
    patch.sources[0].unipolar = true;
    patch.routes = {to_output(0, 0, 1.0f, 0)};
    Engine engine(patch);
    std::vector<Cc> out;
    out.reserve(512);
    engine.step(4, free_running(), out);
    ASSERT_EQ(out.size(), 4u);
    for (std::uint64_t t = 0; t < 4; ++t) EXPECT_EQ(out[t].tick, t);
}

TEST(EngineOutput, ClockAtOneHundredTwentyWithFourPulsesABeat) {
    Patch patch = outputs_only({signal_output(Signal::Clock{4.0f}, 20)});
    Engine engine(patch);
    std::vector<std::pair<std::uint64_t, std::uint8_t>> changes;
    std::vector<Cc> out;
    out.reserve(512);
    for (std::uint64_t call = 0; call < 250; ++call) {
        out.clear();
        engine.step(4, free_running(), out);
        for (const Cc& cc : out) changes.emplace_back(call * 4 + cc.tick, cc.value);
    }
    ASSERT_GE(changes.size(), 15u);
    EXPECT_EQ(changes[0], (std::pair<std::uint64_t, std::uint8_t>{0, 127}));
    for (std::size_t n = 1; n < changes.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(changes[n].second, n % 2 == 0 ? 127 : 0);
        const std::uint64_t gap = changes[n].first - changes[n - 1].first;
        EXPECT_TRUE(gap == 62 || gap == 63) << gap;
    }
}

TEST(EngineOutput, ClockLevels) {
    struct Case {
        const char* name;
        float ppqn;
        StepContext context;
        float expected;
    };
    const std::vector<Case> cases = {
        {"no ppqn: 1/64 cycle a beat, first half", 0.0f, host(true, 31.9, 120.0f), 1.0f},
        {"no ppqn: 1/64 cycle a beat, second half", 0.0f, host(true, 32.1, 120.0f), 0.0f},
        {"24 ppqn, high", 24.0f, host(true, 10.0 + 0.4 / 24.0, 120.0f), 1.0f},
        {"24 ppqn, low", 24.0f, host(true, 10.0 + 0.6 / 24.0, 120.0f), 0.0f},
        {"stopped", 24.0f, host(false, 10.0, 120.0f), 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Engine engine(outputs_only({signal_output(Signal::Clock{c.ppqn}, 20)}));
        tick(engine, c.context);
        EXPECT_EQ(engine.values()[0], c.expected);
    }
}

TEST(EngineOutput, RunAndResetFollowTheTransport) {
    Patch patch =
        outputs_only({signal_output(Signal::Run{}, 20), signal_output(Signal::Reset{}, 21)});
    Engine engine(patch);
    std::vector<std::vector<Cc>> sent;
    auto run = [&](const StepContext& context, int ticks) {
        for (int t = 0; t < ticks; ++t) sent.push_back(tick(engine, context));
    };
    run(host(false, 0.0, 120.0f), 3);
    run(host(true, 0.0, 120.0f), 20);
    run(host(false, 0.0, 120.0f), 3);
    run(free_running(), 3);

    const std::vector<std::pair<std::size_t, std::vector<Cc>>> expected = {
        {0, {{0, 0, 20, 0}, {0, 0, 21, 0}}},      // stopped
        {3, {{0, 0, 20, 127}, {0, 0, 21, 127}}},  // playing starts the reset pulse
        {13, {{0, 0, 21, 0}}},                    // ten ticks later it ends
        {23, {{0, 0, 20, 0}}},                    // stopped again
        {26, {{0, 0, 20, 127}}},                  // without host tempo the engine runs
    };
    std::size_t next = 0;
    for (std::size_t t = 0; t < sent.size(); ++t) {
        SCOPED_TRACE(t);
        if (next < expected.size() && expected[next].first == t) {
            EXPECT_EQ(sent[t], expected[next].second);
            ++next;
        } else {
            EXPECT_TRUE(sent[t].empty());
        }
    }

    engine.reset();
    for (int t = 0; t < 10; ++t) {
        tick(engine);
        EXPECT_EQ(engine.values()[1], 1.0f);
    }
    tick(engine);
    EXPECT_EQ(engine.values()[1], 0.0f);
}

TEST(EngineOutput, DisabledAndNonMidiOutputsKeepValuesButSendNothing) {
    Output disabled = midi_output(20, false, 0.7f);
    disabled.enabled = false;
    Output cv = midi_output(21, false, 0.6f);
    cv.dest = Dest::Cv{settings::Port{settings::Port::Channel{0}}};
    Output gate = midi_output(22, false, 0.4f);
    gate.dest = Dest::Gate{settings::Port{settings::Port::Channel{1}}};
    Engine engine(outputs_only({disabled, cv, gate}));
    EXPECT_TRUE(tick(engine).empty());
    EXPECT_FLOAT_EQ(engine.values()[0], 0.7f);
    EXPECT_FLOAT_EQ(engine.values()[1], 0.6f);
    EXPECT_FLOAT_EQ(engine.values()[2], 0.4f);
}

TEST(EngineOutput, AFullListHoldsChangesBackForALaterTick) {
    Output fine = midi_output(1, false, 0.25f);
    fine.fine = true;
    Engine engine(outputs_only({midi_output(20, false, 0.5f), midi_output(21, false, 1.0f), fine}));

    std::vector<Cc> out;
    out.reserve(1);
    ASSERT_EQ(out.capacity(), 1u);
    engine.step(1, free_running(), out);
    EXPECT_EQ(out, (std::vector<Cc>{{0, 0, 20, 64}}));
    EXPECT_EQ(out.capacity(), 1u);
    EXPECT_EQ(engine.sent()[1].valid, 0);
    EXPECT_EQ(engine.sent()[2].valid, 0);

    // One place left is no room for a 14-bit change.
    out.clear();
    engine.step(1, free_running(), out);
    EXPECT_EQ(out, (std::vector<Cc>{{0, 0, 21, 127}}));
    EXPECT_EQ(engine.sent()[2].valid, 0);

    out.clear();
    engine.step(1, free_running(), out);
    EXPECT_TRUE(out.empty());

    EXPECT_EQ(tick(engine, free_running(), 2), (std::vector<Cc>{{0, 0, 1, 32}, {0, 0, 33, 0}}));
}

}  // namespace
}  // namespace ondrix_engine::testing
