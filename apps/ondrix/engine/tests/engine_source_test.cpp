#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chaos/rng.hpp"
#include "engine.hpp"
#include "patch_builders.hpp"

namespace ondrix_engine::testing {
namespace {

constexpr float TAU = 6.2831853f;

Engine one_source(const Source& s) {
    Patch patch;
    patch.sources = {s};
    return Engine(patch);
}

// How many draws lead from one state of the shared random generator to another.
int draws_between(std::uint32_t before, std::uint32_t after) {
    for (int n = 0; n < 64; ++n, chaos::next_u32(before)) {
        if (before == after) return n;
    }
    return -1;
}

TEST(EngineSource, DisabledSourceGivesZeroAndResumesWhereItStood) {
    Source s = Source::lfo(Shape::Saw{}, Rate::free(1.0f));
    Patch patch;
    patch.sources = {s};
    Engine engine(patch);
    std::vector<Cc> out;
    out.reserve(512);
    engine.step(100, free_running(), out);
    const double acc = engine.states()[0].acc;
    const float wobble_pos = engine.states()[0].wobble_pos;
    EXPECT_NEAR(acc, 0.1, 1e-7);

    patch.sources[0].enabled = false;
    engine.set_patch(patch);
    engine.step(100, free_running(), out);
    EXPECT_EQ(engine.taps()[0], (SourceTaps{}));
    EXPECT_EQ(engine.states()[0].acc, acc);
    EXPECT_EQ(engine.states()[0].wobble_pos, wobble_pos);

    patch.sources[0].enabled = true;
    engine.set_patch(patch);
    engine.step(1, free_running(), out);
    EXPECT_NEAR(engine.states()[0].acc, 0.101, 1e-7);
}

TEST(EngineSource, TempoComesFromTheHostOrThePatchWithinLimits) {
    struct Case {
        const char* name;
        StepContext context;
        float patch_tempo;
        float expected_bpm;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        {"host 140", host(false, 0.0, 140.0f), 120.0f, 140.0f},
        {"host 10", host(false, 0.0, 10.0f), 120.0f, 20.0f},
        {"host 2000", host(false, 0.0, 2000.0f), 120.0f, 999.0f},
        {"host NaN", host(false, 0.0, nan), 120.0f, 20.0f},
        {"patch 90", free_running(), 90.0f, 90.0f},
        {"patch 5", free_running(), 5.0f, 20.0f},
        {"patch 5000", free_running(), 5000.0f, 999.0f},
        {"host tempo without its flag", StepContext{0, 0.0, 0, 300.0f}, 60.0f, 60.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Patch patch;
        patch.tempo = c.patch_tempo;
        Engine engine(patch);
        tick(engine, c.context);
        EXPECT_EQ(engine.beat(), static_cast<double>(c.expected_bpm / 60.0f * 0.001f));
    }
}

TEST(EngineSource, SyncSourceLocksToTheHostBeatUnlessModulatedOrRough) {
    struct Case {
        const char* name;
        float beats;
        float rough;
        bool rate_route;
        double beat;
        double expected_acc;  // negative: free-running, just past 0
    };
    const std::vector<Case> cases = {
        {"locked", 1.0f, 0.0f, false, 3.25, 0.25},
        {"locked, two beats a cycle", 2.0f, 0.0f, false, 3.25, 0.625},
        {"a route of amount 0 still locks", 1.0f, 0.0f, true, 3.25, 0.25},
        {"no length runs at 1/64 beat", 0.0f, 0.0f, false, 1.0 + 1.0 / 128.0, 0.5},
        {"rough free-runs", 1.0f, 0.5f, false, 3.25, -1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Patch patch;
        Source s = Source::lfo(Shape::Sine{}, Rate::sync(c.beats));
        s.rough = c.rough;
        patch.sources = {s};
        if (c.rate_route) patch.routes = {to_param(0, 0, 0.0f, 0, Param::Rate)};
        Engine engine(patch);
        tick(engine, host(true, c.beat, 120.0f));
        const double acc = engine.states()[0].acc;
        if (c.expected_acc >= 0.0) {
            EXPECT_DOUBLE_EQ(acc, c.expected_acc);
            // The phase follows when the host jumps.
            tick(engine, host(true, c.beat + 0.5, 120.0f));
            EXPECT_NEAR(engine.states()[0].acc,
                        std::fmod(c.expected_acc + 0.5 / std::max(c.beats, 0.015625f), 1.0), 1e-12);
        } else {
            // 120 BPM is 2 Hz for a one-beat cycle, so one tick advances about 0.002.
            EXPECT_GT(acc, 0.0019);
            EXPECT_LT(acc, 0.0021);
        }
    }
}

TEST(EngineSource, RoughnessJittersTheTapsAndBendsTheSpeedWithTheDrifts) {
    // Source 0 stands at a raw 0, so its taps show the jitter alone; source 1 runs at 2 Hz.
    Source still_sine = still(Shape::Sine{}, 0.0f);
    still_sine.spread = 0.0f;
    Source running = Source::lfo(Shape::Saw{}, Rate::free(2.0f));
    Patch patch;
    patch.sources = {still_sine, running};
    for (Source& s : patch.sources) s.rough = 0.7f;
    Engine engine(patch);
    std::vector<Cc> out;
    out.reserve(512);
    engine.step(700, free_running(), out);
    const double acc = engine.states()[1].acc;
    tick(engine);

    // Both drifts of a source share one position; the first moves the taps, the second the rate.
    auto drift = [&](std::size_t i, std::size_t from) {
        const State& st = engine.states()[i];
        const float w = 0.5f - 0.5f * std::cos(3.14159265f * st.wobble_pos);
        return st.wobble[from] + (st.wobble[from + 1] - st.wobble[from]) * w;
    };
    const float jitter = 0.7f * drift(0, 0) * 0.3f;
    ASSERT_NE(jitter, 0.0f);
    EXPECT_EQ(engine.taps()[0], (SourceTaps{jitter, jitter, jitter, jitter}));
    const float factor = std::exp2(drift(1, 2) * 0.7f * 0.35f);
    ASSERT_NE(factor, 1.0f);
    EXPECT_EQ(engine.states()[1].acc, acc + static_cast<double>(factor * 2.0f * 0.001f));
}

TEST(EngineSource, FreeSourceWithNegativeRateStandsStill) {
    Engine engine = one_source(Source::lfo(Shape::Saw{}, Rate::free(-3.0f)));
    std::vector<Cc> out;
    out.reserve(512);
    engine.step(50, free_running(), out);
    EXPECT_EQ(engine.states()[0].acc, 0.0);
}

TEST(EngineSource, TapsSpreadOverTheCycle) {
    struct Case {
        float spread;
        std::array<float, 4> offsets;
    };
    const std::vector<Case> cases = {
        {1.0f, {0.0f, 0.25f, 0.5f, 0.75f}},
        {0.5f, {0.0f, 0.125f, 0.25f, 0.375f}},
        {0.0f, {0.0f, 0.0f, 0.0f, 0.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spread);
        Source s = still(Shape::Sine{}, 0.1f);
        s.spread = c.spread;
        Engine engine = one_source(s);
        tick(engine);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_NEAR(engine.taps()[0][k], std::sin(TAU * (0.1f + c.offsets[k])), 2e-6f);
        }
    }
}

TEST(EngineSource, NewCycleOnlyWhenThePhaseFallsByMoreThanHalf) {
    struct Case {
        const char* name;
        Shape shape;
        float a;
        float to_phase;
        int draws;
        bool new_value;
    };
    const std::vector<Case> cases = {
        {"sampleHold wraps", Shape::SampleHold{}, 1.0f, 0.2f, 8, true},
        {"sampleHold falls back a little", Shape::SampleHold{}, 1.0f, 0.6f, 0, false},
        {"sampleHold moves on", Shape::SampleHold{}, 1.0f, 0.95f, 0, false},
        {"sampleHold that never takes a new value", Shape::SampleHold{}, 0.0f, 0.2f, 4, false},
        {"smoothRandom wraps", Shape::SmoothRandom{}, 1.0f, 0.2f, 8, true},
        {"morph redraws its steps once", Shape::Morph{}, 0.0f, 0.2f, 16, false},
        {"sine draws nothing", Shape::Sine{}, 0.5f, 0.2f, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Source s = still(c.shape, 0.9f);
        s.a = c.a;
        s.spread = 0.0f;
        Patch patch;
        patch.sources = {s};
        Engine engine(patch);
        tick(engine);  // the first tick starts from phase 0 and is never a new cycle
        const State before = engine.states()[0];
        const std::uint32_t rng = engine.rng();
        ASSERT_EQ(rng, 0x2545f491u);

        patch.sources[0].phase = c.to_phase;
        engine.set_patch(patch);
        tick(engine);
        const State& after = engine.states()[0];
        EXPECT_EQ(draws_between(rng, engine.rng()), c.draws);
        for (std::size_t k = 0; k < 4; ++k) {
            if (c.new_value) {
                EXPECT_EQ(after.held[k].from, before.held[k].to);
                EXPECT_NE(after.held[k].to, before.held[k].to);
            } else if (c.draws > 0 && c.draws < 16) {
                EXPECT_EQ(after.held[k].from, before.held[k].to);
                EXPECT_EQ(after.held[k].to, before.held[k].to);
            } else {
                EXPECT_EQ(after.held[k].from, before.held[k].from);
                EXPECT_EQ(after.held[k].to, before.held[k].to);
            }
        }
        EXPECT_EQ(after.steps != before.steps, c.draws == 16);
    }
}

TEST(EngineSource, SampleHoldShowsItsNewValue) {
    Source s = still(Shape::SampleHold{}, 0.9f);
    s.a = 1.0f;
    Patch patch;
    patch.sources = {s};
    Engine engine(patch);
    tick(engine);
    patch.sources[0].phase = 0.0f;
    engine.set_patch(patch);
    tick(engine);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(engine.taps()[0][k], engine.states()[0].held[k].to);
    }
}

TEST(EngineSource, BitsReduceTheTapsButNotTheSmoothingMemory) {
    struct Case {
        std::uint8_t bits;
        bool unipolar;
        std::array<float, 4> expected;
    };
    // Raw taps at phase 0.1: sin(0.2 pi), sin(0.7 pi), sin(1.2 pi), sin(1.7 pi).
    std::array<float, 4> raw;
    for (std::size_t k = 0; k < 4; ++k) raw[k] = std::sin(TAU * (0.1f + 0.25f * k));
    std::array<float, 4> raw_unipolar;
    for (std::size_t k = 0; k < 4; ++k) raw_unipolar[k] = (raw[k] + 1.0f) * 0.5f;
    const std::vector<Case> cases = {
        {1, false, {1.0f, 1.0f, -1.0f, -1.0f}},
        {1, true, {1.0f, 1.0f, 0.0f, 0.0f}},
        {2, false, {1.0f / 3.0f, 1.0f, -1.0f / 3.0f, -1.0f}},
        {0, false, raw},
        {24, false, raw},
        {255, true, raw_unipolar},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.bits) << (c.unipolar ? " unipolar" : ""));
        Source s = still(Shape::Sine{}, 0.1f);
        s.bits = c.bits;
        s.unipolar = c.unipolar;
        Engine engine = one_source(s);
        tick(engine);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_NEAR(engine.taps()[0][k], c.expected[k], 2e-6f);
            EXPECT_NEAR(engine.states()[0].last_out[k], c.unipolar ? raw_unipolar[k] : raw[k],
                        2e-6f);
        }
    }
}

TEST(EngineSource, SmoothingFollowsTheSmoothParameter) {
    struct Case {
        const char* name;
        float smooth;
        float route;  // amount from a constant 1 into source 0's smooth
        float seconds;
    };
    const std::vector<Case> cases = {
        {"none", 0.0f, 0.0f, 0.0f},
        {"10 ms", 0.01f, 0.0f, 0.01f},
        {"modulated up from none", 0.0f, 0.005f, 0.01f},
        {"modulated below zero", 0.0f, -0.5f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Patch patch;
        Source s = still(Shape::Sine{}, 0.0f);
        s.spread = 0.0f;
        s.smooth = c.smooth;
        patch.sources = {s, still(Shape::Square{}, 0.25f)};  // source 1 stays at 1
        patch.routes = {to_param(1, 0, c.route, 0, Param::Smooth)};
        Engine engine(patch);
        tick(engine);
        tick(engine);
        EXPECT_EQ(engine.taps()[0][0], 0.0f);

        patch.sources[0].offset = 1.0f;
        engine.set_patch(patch);
        tick(engine);
        const float k = c.seconds > 0.0f ? 1.0f - std::exp(-0.001f / c.seconds) : 1.0f;
        EXPECT_FLOAT_EQ(engine.taps()[0][0], k);
        tick(engine);
        EXPECT_FLOAT_EQ(engine.taps()[0][0], k + (1.0f - k) * k);

        // The first tick after a reset is taken as it is.
        engine.reset();
        patch.sources[0].offset = -1.0f;
        engine.set_patch(patch);
        tick(engine);
        EXPECT_EQ(engine.taps()[0][0], -1.0f);
    }
}

TEST(EngineSource, DepthIsHeldWithinOneButOffsetIsNot) {
    struct Case {
        const char* name;
        float depth_route;
        float offset;
        float offset_route;
        float expected;  // of a square at +1
    };
    const std::vector<Case> cases = {
        {"depth pushed past 1", 1.0f, 0.0f, 0.0f, 1.0f},
        {"depth pushed past -1", -3.0f, 0.0f, 0.0f, -1.0f},
        {"offset beyond 1", 0.0f, 0.5f, 1.0f, 2.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Patch patch;
        Source s = still(Shape::Square{}, 0.25f);
        s.spread = 0.0f;
        s.offset = c.offset;
        patch.sources = {still(Shape::Square{}, 0.25f), s};  // source 0 stays at 1
        patch.routes = {to_param(0, 0, c.depth_route, 1, Param::Depth),
                        to_param(0, 0, c.offset_route, 1, Param::Offset)};
        Engine engine(patch);
        tick(engine);
        EXPECT_FLOAT_EQ(engine.taps()[1][0], c.expected);
    }
}

TEST(EngineSource, ModulationReadsLowerSourcesNowAndTheOthersOneTickLate) {
    Patch patch;
    Source constant = still(Shape::Sine{}, 0.0f);
    constant.depth = 0.0f;
    constant.offset = 0.25f;
    Source follower = still(Shape::Sine{}, 0.0f);
    follower.depth = 0.0f;
    patch.sources = {follower, constant, follower};
    patch.routes = {to_param(1, 0, 1.0f, 0, Param::Offset), to_param(1, 0, 1.0f, 2, Param::Offset),
                    to_param(0, 0, 1.0f, 0, Param::Offset)};
    Engine engine(patch);
    tick(engine);
    EXPECT_EQ(engine.taps()[0][0], 0.0f);   // source 1 had not run yet; its own taps were 0
    EXPECT_EQ(engine.taps()[2][0], 0.25f);  // source 1 ran before it
    tick(engine);
    EXPECT_EQ(engine.taps()[0][0], 0.25f);  // 0.25 from source 1, 0 from itself last tick
    tick(engine);
    EXPECT_EQ(engine.taps()[0][0], 0.5f);
}

TEST(EngineSource, CvInputGivesZeroRawTaps) {
    Source s = Source::lfo(Shape::CvIn{40}, Rate::free(1.0f));
    s.offset = 0.25f;
    Engine engine = one_source(s);
    tick(engine);
    EXPECT_EQ(engine.taps()[0], (SourceTaps{0.25f, 0.25f, 0.25f, 0.25f}));
    EXPECT_EQ(engine.states()[0].cv_level, 0.0f);
}

TEST(EngineSource, RecoversOnceInfiniteSettingsAreGone) {
    const float inf = std::numeric_limits<float>::infinity();
    Patch patch;
    Source s = Source::lfo(Shape::Sine{}, Rate::free(inf));
    s.offset = inf;
    s.smooth = 0.05f;
    patch.sources = {s};
    patch.outputs = {midi_output(20)};
    patch.routes = {to_output(0, 0, 1.0f, 0)};
    Engine engine(patch);
    tick(engine);
    tick(engine);
    EXPECT_EQ(engine.values()[0], 1.0f);

    patch.sources[0].rate = Rate::free(1.0f);
    patch.sources[0].offset = 0.0f;
    engine.set_patch(patch);
    tick(engine);
    for (float v : engine.taps()[0]) EXPECT_TRUE(std::isfinite(v)) << v;
    EXPECT_TRUE(std::isfinite(engine.states()[0].acc));
}

}  // namespace
}  // namespace ondrix_engine::testing
