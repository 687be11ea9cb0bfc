#include <gtest/gtest.h>

#include "chaos/chaos.hpp"
#include "chaos/rng.hpp"
#include "engine.hpp"
#include "every_shape_patch.hpp"
#include "patch_builders.hpp"

namespace ondrix_engine::testing {
namespace {

TEST(SourceState, DrawsItsTablesFromASeedMadeOfTheIndex) {
    State first(0);
    EXPECT_FLOAT_EQ(first.steps[0], -0.21711123f);
    EXPECT_FLOAT_EQ(first.steps[1], 0.21298254f);

    std::uint32_t seed = 0x9e3779b9u ^ 0x5bd1u;
    State second(1);
    EXPECT_EQ(second.steps[0], chaos::signed_draw(seed));

    // 16 steps, then four (from, to) pairs, then the two drift targets.
    std::uint32_t s = 0x5bd1u;
    for (int k = 0; k < 16; ++k) chaos::signed_draw(s);
    for (const Held& h : first.held) {
        EXPECT_EQ(h.from, chaos::signed_draw(s));
        EXPECT_EQ(h.to, chaos::signed_draw(s));
    }
    EXPECT_EQ(first.wobble[0], 0.0f);
    EXPECT_EQ(first.wobble[1], chaos::signed_draw(s));
    EXPECT_EQ(first.wobble[2], 0.0f);
    EXPECT_EQ(first.wobble[3], chaos::signed_draw(s));
    EXPECT_FALSE(first.chaos.has_value());
    EXPECT_FALSE(first.started);
}

TEST(EngineRandom, FirstDrawGoesToTheFirstDriftOfSourceZero) {
    Patch patch;
    patch.sources = {Source::lfo(Shape::Sine{}, Rate::free(1.0f))};
    Engine engine(patch);
    EXPECT_EQ(engine.rng(), 0x2545f491u);

    // Source 0's drift moves 0.0007 per tick and wraps at the 1429th tick.
    std::vector<Cc> out;
    out.reserve(512);
    engine.step(1428, free_running(), out);
    EXPECT_EQ(engine.rng(), 0x2545f491u);
    const float to1_before = engine.states()[0].wobble[1];
    engine.step(1, free_running(), out);
    EXPECT_FLOAT_EQ(engine.states()[0].wobble[1], 0.75893283f);
    EXPECT_EQ(engine.states()[0].wobble[0], to1_before);
}

TEST(EngineRandom, DrawsGoSourceBySourceDriftsFirstThenTapsInOrder) {
    // Four still sources whose taps all start a new cycle on the tick where source 0's drift
    // wraps; source 1 is disabled and draws nothing.
    Patch patch;
    for (Shape shape : {Shape{Shape::SampleHold{}}, Shape{Shape::SampleHold{}},
                        Shape{Shape::Morph{}}, Shape{Shape::SmoothRandom{}}}) {
        Source s = still(shape, 0.9f);
        s.a = 1.0f;
        s.b = 0.5f;
        s.spread = 0.0f;
        patch.sources.push_back(s);
    }
    patch.sources[1].enabled = false;
    Engine engine(patch);
    std::vector<Cc> out;
    out.reserve(512);
    engine.step(1428, free_running(), out);
    const State smooth_before = engine.states()[3];
    const State disabled_before = engine.states()[1];
    std::uint32_t s = engine.rng();

    for (Source& source : patch.sources) source.phase = 0.2f;
    engine.set_patch(patch);
    tick(engine);
    const auto& st = engine.states();
    EXPECT_EQ(st[0].wobble[1], chaos::signed_draw(s));
    EXPECT_EQ(st[0].wobble[3], chaos::signed_draw(s));
    for (const Held& h : st[0].held) {
        chaos::signed_draw(s);  // the chance draw: with a = 1 every cycle takes a new value
        EXPECT_EQ(h.to, chaos::signed_draw(s));
    }
    EXPECT_EQ(st[1].held, disabled_before.held);
    for (float step : st[2].steps) EXPECT_EQ(step, chaos::signed_draw(s));
    for (std::size_t k = 0; k < 4; ++k) {
        chaos::signed_draw(s);
        const float was = smooth_before.held[k].to;
        EXPECT_EQ(st[3].held[k].from, was);
        EXPECT_EQ(st[3].held[k].to, was + (chaos::signed_draw(s) - was) * 0.5f);
    }
    EXPECT_EQ(engine.rng(), s);
}

TEST(EnginePatch, PadsAndCutsSourcesAndOutputs) {
    Engine engine(empty_patch());
    ASSERT_EQ(engine.patch().sources.size(), 16u);
    ASSERT_EQ(engine.patch().outputs.size(), 64u);
    for (const Source& s : engine.patch().sources) {
        EXPECT_FALSE(s.enabled);
        EXPECT_EQ(s.shape.kind(), Shape::Kind::Sine);
        EXPECT_EQ(s.rate, Rate::free(1.0f));
        EXPECT_EQ(s.a, 0.5f);
        EXPECT_EQ(s.b, 0.0f);
        EXPECT_EQ(s.spread, 1.0f);
        EXPECT_EQ(s.depth, 1.0f);
        EXPECT_EQ(s.bits, 0);
    }

    Patch patch;
    for (int i = 0; i < 20; ++i) patch.sources.push_back(still(Shape::Saw{}, 0.01f * i));
    patch.outputs = {midi_output(1), midi_output(2), midi_output(3)};
    engine.set_patch(patch);
    ASSERT_EQ(engine.patch().sources.size(), 16u);
    EXPECT_EQ(engine.patch().sources[15].phase, 0.01f * 15);
    ASSERT_EQ(engine.patch().outputs.size(), 64u);
    EXPECT_EQ(engine.patch().outputs[2].cc, 3);
    for (std::size_t j = 3; j < 64; ++j) {
        SCOPED_TRACE(j);
        const Output& o = engine.patch().outputs[j];
        EXPECT_FALSE(o.enabled);
        EXPECT_EQ(o.cc, 16);
        EXPECT_TRUE(o.bipolar);
        EXPECT_NE(o.dest.get_if<Dest::Midi>(), nullptr);
        EXPECT_NE(o.signal.get_if<Signal::Routed>(), nullptr);
    }
}

TEST(EnginePatch, DropsRoutesThatPointNowhereAndKeepsTheOrder) {
    Patch patch;
    patch.routes = {
        to_output(16, 0, 1.0f, 0),            // no such source
        to_output(0, 3, 0.1f, 63),            // kept
        to_output(0, 4, 1.0f, 0),             // no such tap
        to_param(15, 0, 0.2f, 15, Param::B),  // kept
        to_param(0, 0, 1.0f, 16, Param::A),   // no such source target
        to_output(0, 0, 1.0f, 64),            // no such output
        to_output(2, 1, 0.3f, 5),             // kept
    };
    Engine engine(patch);
    const std::vector<Route> kept = {patch.routes[1], patch.routes[3], patch.routes[6]};
    EXPECT_EQ(engine.patch().routes, kept);
}

// One lorenz, one pendulum and one drifting field, run for a while so their generators have
// moved away from where they start.
Patch chaotic_patch() {
    Patch patch;
    patch.sources = {still(Shape::Sine{}), still(Shape::Sine{}), still(Shape::Lorenz{}),
                     still(Shape::Field{settings::Motion::Drift})};
    for (Source& s : patch.sources) s.rate = Rate::free(3.0f);
    return patch;
}

TEST(EnginePatch, KeepsAGeneratorWhileItsKindStaysAndReplacesItOtherwise) {
    Engine engine(chaotic_patch());
    std::vector<Cc> out;
    out.reserve(512);
    engine.step(200, free_running(), out);
    const chaos::Chaos running_lorenz = *engine.states()[2].chaos;
    ASSERT_NE(running_lorenz, chaos::Chaos(7, 3));

    struct Case {
        const char* name;
        Shape shape2;
        Shape shape3;
        bool lorenz_kept;
        std::optional<std::uint8_t> kind3;  // expected fresh kind of source 3, none: kept
    };
    const std::vector<Case> cases = {
        {"other fields only", Shape::Lorenz{}, Shape::Field{settings::Motion::Drift}, true, {}},
        {"new kinds", Shape::Pendulum{}, Shape::Field{settings::Motion::Flow}, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Engine e(chaotic_patch());
        e.step(200, free_running(), out);
        const chaos::Chaos field_before = *e.states()[3].chaos;
        Patch next = chaotic_patch();
        next.sources[2].shape = c.shape2;
        next.sources[2].a = 0.9f;
        next.sources[3].shape = c.shape3;
        e.set_patch(next);
        if (c.lorenz_kept) {
            EXPECT_EQ(*e.states()[2].chaos, running_lorenz);
        } else {
            EXPECT_EQ(*e.states()[2].chaos, chaos::Chaos(6, 3));
        }
        if (c.kind3) {
            EXPECT_EQ(*e.states()[3].chaos, chaos::Chaos(*c.kind3, 4));
        } else {
            EXPECT_EQ(*e.states()[3].chaos, field_before);
        }
    }

    // A shape without a generator removes it.
    Patch plain = chaotic_patch();
    plain.sources[2].shape = Shape::Drawn{{0.5f}};
    engine.set_patch(plain);
    EXPECT_FALSE(engine.states()[2].chaos.has_value());
    EXPECT_TRUE(engine.states()[3].chaos.has_value());
}

TEST(EnginePatch, ForgetsWhatWasSentOnlyWhenTheControllerChanges) {
    struct Case {
        const char* name;
        void (*change)(Output&);
        bool resent;
    };
    const std::vector<Case> cases = {
        {"offset", [](Output& o) { o.offset = 2.0f; }, false},
        {"bipolar", [](Output& o) { o.bipolar = false; }, false},
        {"signal", [](Output& o) { o.signal = Signal::Run{}; }, false},
        {"enabled", [](Output& o) { o.enabled = false; }, false},
        {"dest", [](Output& o) { o.dest = Dest::Cv{}; }, false},
        {"cc", [](Output& o) { o.cc = 9; }, true},
        {"channel", [](Output& o) { o.channel = 3; }, true},
        {"fine", [](Output& o) { o.fine = true; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Output 5 sits at 1 (offset 1, no routes), and none of the changes moves it.
        Patch patch;
        patch.outputs.resize(6, midi_output(20));
        patch.outputs[5] = midi_output(7, true, 1.0f);
        Engine engine(patch);
        ASSERT_EQ(tick(engine).size(), 6u);
        EXPECT_EQ(engine.sent()[5].valid, 1);

        c.change(patch.outputs[5]);
        engine.set_patch(patch);
        EXPECT_EQ(engine.sent()[5].valid, c.resent ? 0 : 1);
        EXPECT_EQ(engine.sent()[4].valid, 1);
        std::vector<Cc> again = tick(engine);
        EXPECT_EQ(again.size(), c.resent ? (patch.outputs[5].fine ? 2u : 1u) : 0u);
    }
}

TEST(EnginePatch, ResetRestartsPhasesAndRaisesTheResetSignal) {
    Patch patch = chaotic_patch();
    patch.sources[0] = Source::lfo(Shape::SampleHold{}, Rate::free(7.0f));
    Engine engine(patch);
    std::vector<Cc> out;
    out.reserve(512);
    engine.step(300, free_running(), out);
    const auto held = engine.states()[0].held;
    const auto last_out = engine.states()[0].last_out;
    const std::uint32_t rng = engine.rng();

    engine.reset();
    EXPECT_EQ(engine.reset_ticks(), 10u);
    EXPECT_EQ(engine.beat(), 0.0);
    const State& st = engine.states()[0];
    EXPECT_EQ(st.acc, 0.0);
    EXPECT_EQ(st.last_phase, (std::array<float, 4>{}));
    EXPECT_FALSE(st.started);
    EXPECT_EQ(st.held[0].to, held[0].to);
    EXPECT_EQ(st.held[3].from, held[3].from);
    EXPECT_EQ(st.last_out, last_out);
    EXPECT_EQ(engine.rng(), rng);
    EXPECT_EQ(*engine.states()[2].chaos, chaos::Chaos(7, 3));
    EXPECT_EQ(*engine.states()[3].chaos, chaos::Chaos(0, 4));
}

TEST(EnginePatch, ApplyingTheSamePatchAgainIsSeamless) {
    Engine steady(every_shape_patch());
    Engine reapplied(every_shape_patch());
    std::vector<Cc> a;
    std::vector<Cc> b;
    a.reserve(512);
    b.reserve(512);
    for (int call = 0; call < 600; ++call) {
        if (call % 100 == 50) reapplied.set_patch(every_shape_patch());
        a.clear();
        b.clear();
        const StepContext context = host(true, call * 0.0088, 132.0f);
        steady.step(4, context, a);
        reapplied.step(4, context, b);
        ASSERT_EQ(a, b) << "call " << call;
        ASSERT_EQ(steady.taps(), reapplied.taps()) << "call " << call;
        ASSERT_EQ(steady.values(), reapplied.values()) << "call " << call;
    }
    EXPECT_EQ(steady.rng(), reapplied.rng());
}

}  // namespace
}  // namespace ondrix_engine::testing
