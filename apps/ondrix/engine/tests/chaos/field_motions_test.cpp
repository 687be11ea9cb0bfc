#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "chaos/chaos.hpp"
#include "chaos/rng.hpp"
#include "chaos/value_noise.hpp"

namespace ondrix_engine::chaos {
namespace {

constexpr float dt = 0.001f;
constexpr std::array<std::array<float, 2>, 4> directions = {{
    {0.921060979f, 0.389418334f},
    {-0.389418364f, 0.921060979f},
    {-0.92106092f, -0.389418513f},
    {0.389418453f, -0.921060979f},
}};

std::array<float, 4> step(Chaos& chaos, float rate, float a, float b, float spread,
                          float phase = 0.0f) {
    std::uint32_t rng = 1;
    return chaos.step(rng, dt, rate, a, b, spread, phase);
}

TEST(NoiseField, RateZeroHoldsStillButSpinFollowsThePhase) {
    for (std::uint8_t motion = 0; motion <= 2; ++motion) {
        SCOPED_TRACE(static_cast<int>(motion));
        Chaos chaos = Chaos(motion, 3);
        const auto first = step(chaos, 0.0f, 0.4f, 0.7f, 0.8f, 0.1f);
        for (int t = 0; t < 20; ++t) EXPECT_EQ(step(chaos, 0.0f, 0.4f, 0.7f, 0.8f, 0.1f), first);
        EXPECT_EQ(chaos, Chaos(motion, 3));
        const auto moved = step(chaos, 0.0f, 0.4f, 0.7f, 0.8f, 0.35f);
        if (motion == 2) {
            EXPECT_NE(moved, first);
        } else {
            EXPECT_EQ(moved, first);
        }
    }
}

float clamped(float v) {
    return std::fmin(std::fmax(v, -1.0f), 1.0f);
}

// The two-octave reading at (px, py) at time z, weighted as the motions weigh it.
float octaves(float px, float py, float z, float detail_weight, float norm, float gain) {
    const float base = value_noise(px, py, z);
    const float detail = value_noise(px * 2.03f + 7.1f, py * 2.03f + 3.7f, z * 1.7f + 11.3f);
    return clamped((base + detail * detail_weight) / norm * gain);
}

TEST(NoiseField, OneTickReadsTheFieldWhereEachMotionSays) {
    // A fresh generator of seed 1 (centre (2.0, 2.9)) after one tick, against the rules written
    // out: how far its time moves, where each tap reads and how the octaves are weighed.
    struct Case {
        std::uint8_t motion;
        float rate, a, b, spread, phase;
    };
    const std::vector<Case> cases = {
        {0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},  {0, 2.0f, 0.3f, 0.6f, 0.7f, 0.2f},
        {0, 40.0f, 1.0f, 1.0f, 0.3f, 0.0f}, {1, 5.0f, 0.5f, 0.25f, 1.0f, 0.0f},
        {1, 40.0f, 0.8f, 0.9f, 0.4f, 0.0f}, {2, 3.0f, 0.2f, 0.7f, 0.6f, 0.35f},
        {2, 40.0f, 1.0f, 1.0f, 1.0f, 0.9f},
    };
    const float cx = 2.0f;
    const float cy = 2.9f;
    const float two_pi = 6.28318548f;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "motion " << int(c.motion) << " rate " << c.rate << " a "
                                        << c.a << " b " << c.b << " spread " << c.spread);
        Chaos chaos = Chaos(c.motion, 1);
        const auto taps = step(chaos, c.rate, c.a, c.b, c.spread, c.phase);
        const float radius = 1.6f * c.spread * c.spread + 0.01f;
        const float scale = c.a * 1.5f + 0.5f;
        double time = 0.0;
        float ox = 0.0f;
        float oy = 0.0f;
        if (c.motion == 0) time = static_cast<double>(dt * (c.rate * (c.a * 2.7f + 0.3f)));
        if (c.motion == 1) {
            ox = -(dt * (c.rate * std::cos(c.b * two_pi)));
            oy = -(dt * (c.rate * std::sin(c.b * two_pi)));
            time = static_cast<double>(c.rate * 0.15f * dt);
        }
        if (c.motion == 2) time = static_cast<double>(dt * (c.rate * c.b * 1.5f));
        const auto z = static_cast<float>(time);
        const auto& state = std::get<Chaos::Noise>(chaos.state());
        EXPECT_EQ(state.time, time);
        EXPECT_EQ(state.offset_x, ox);
        EXPECT_EQ(state.offset_y, oy);
        const float ring = (c.a * 6.0f + 2.0f) / two_pi;
        const float along[] = {0.0f, c.spread, c.spread + c.spread, c.spread * 3.0f};
        for (std::size_t k = 0; k < 4; ++k) {
            float expected = 0.0f;
            if (c.motion == 2) {
                const float angle = (along[k] * 0.25f + c.phase) * two_pi;
                expected = octaves(std::cos(angle) * ring + cx, std::sin(angle) * ring + cy, z,
                                   0.5f, 1.2f, 2.2f);
            } else {
                const float px = (directions[k][0] * radius + cx) * scale + ox;
                const float py = (directions[k][1] * radius + cy) * scale + oy;
                expected = c.motion == 0 ? octaves(px, py, z, c.b, c.b * 0.4f + 1.0f, 1.5f)
                                         : octaves(px, py, z, 0.5f, 1.2f, 1.5f);
            }
            EXPECT_EQ(taps[k], expected) << "tap " << k;
        }
    }
}

TEST(NoiseField, DriftTimeWrapsAtOneHundredThousand) {
    Chaos::Noise near_end = std::get<Chaos::Noise>(Chaos(0, 1).state());
    near_end.time = 99999.9999;
    Chaos chaos(near_end);
    step(chaos, 1.0f, 0.0f, 0.5f, 1.0f);  // time advances by 0.0003
    EXPECT_NEAR(std::get<Chaos::Noise>(chaos.state()).time, 0.0002, 1e-9);
}

TEST(NoiseField, FlowSlidesAgainstItsDirectionAndResetsFarOffsets) {
    struct Case {
        const char* name;
        float start_x;  // the offsets start at (start_x, 0.5)
        float b;        // direction, in turns
        float rate;
        float offset_x, offset_y;
    };
    const std::vector<Case> cases = {
        {"east, 10 Hz", 0.0f, 0.0f, 10.0f, -0.01f, 0.5f},
        {"west, 10 Hz", 0.0f, 0.5f, 10.0f, 0.01f, 0.5f},
        {"passing 10000 returns both to 0", 9999.99f, 0.5f, 100.0f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chaos::Noise flow = std::get<Chaos::Noise>(Chaos(1, 1).state());
        flow.offset_x = c.start_x;
        flow.offset_y = 0.5f;
        Chaos chaos(flow);
        step(chaos, c.rate, 0.5f, c.b, 1.0f);
        const auto& after = std::get<Chaos::Noise>(chaos.state());
        EXPECT_NEAR(after.offset_x, c.offset_x, 1e-6f);
        EXPECT_NEAR(after.offset_y, c.offset_y, 1e-6f);
        EXPECT_EQ(after.time, static_cast<double>(c.rate * 0.15f * dt));
    }
}

TEST(NoiseField, SpinTapsSitAlongTheRing) {
    // At spread 0 all four taps read one point; at spread 1 they are a quarter turn apart, so tap
    // k at phase p reads what tap 0 reads at phase p + k / 4.
    Chaos chaos = Chaos(2, 5);
    const auto together = step(chaos, 0.0f, 0.3f, 0.6f, 0.0f, 0.1f);
    EXPECT_EQ(together, (std::array<float, 4>{together[0], together[0], together[0], together[0]}));
    const auto apart = step(chaos, 0.0f, 0.3f, 0.6f, 1.0f, 0.1f);
    const float quarters[] = {0.1f, 0.1f + 0.25f, 0.1f + 0.5f, 0.1f + 0.75f};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(apart[k], step(chaos, 0.0f, 0.3f, 0.6f, 1.0f, quarters[k])[0]) << "tap " << k;
    }
}

TEST(Cells, ParticleCountFollowsSize) {
    struct Case {
        float a;
        std::size_t count;
    };
    const std::vector<Case> cases = {{0.0f, 16}, {0.5f, 10}, {0.52f, 9}, {1.0f, 3}, {1.5f, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a);
        Chaos chaos = Chaos(5, 1);
        step(chaos, 1.0f, c.a, 0.5f, 1.0f);
        EXPECT_EQ(std::get<Chaos::Cells>(chaos.state()).count, c.count);
    }
}

TEST(Cells, OnlyAChangedCountReseedsAllSlots) {
    Chaos chaos = Chaos(5, 1);
    step(chaos, 1.0f, 0.5f, 0.5f, 1.0f);
    const auto seeded = std::get<Chaos::Cells>(chaos.state());
    // Slots are seeded in order from three draws each; the six slots past the ten in use have
    // not moved since.
    Rng draws(1u * 7919u ^ 0x2545f491u);
    for (std::size_t i = 0; i < 16; ++i) {
        SCOPED_TRACE(testing::Message() << "slot " << i);
        const float g1 = draws.signed_draw();
        const float g2 = draws.signed_draw();
        const float g3 = draws.signed_draw();
        EXPECT_LE(std::hypot(seeded.x[i], seeded.y[i]), 3.4f + 1e-3f);
        if (i < 10) continue;
        const float around = (g1 + 1.0f) * 0.5f * 6.28318548f;
        const float out = std::sqrt((g2 + 1.0f) * 0.5f) * 3.4f;
        EXPECT_EQ(seeded.x[i], std::cos(around) * out);
        EXPECT_EQ(seeded.y[i], std::sin(around) * out);
        EXPECT_EQ(seeded.heading[i], (g3 + 1.0f) * 0.5f * 6.28318548f);
    }
    EXPECT_EQ(seeded.rng, draws);

    step(chaos, 1.0f, 0.5f, 0.5f, 1.0f);  // same count: slots past it stay where they are
    const auto kept = std::get<Chaos::Cells>(chaos.state());
    EXPECT_EQ(kept.x[15], seeded.x[15]);
    EXPECT_EQ(kept.rng, seeded.rng);
    EXPECT_NE(kept.x[0], seeded.x[0]);  // slots in use move

    step(chaos, 1.0f, 0.52f, 0.5f, 1.0f);  // 10 -> 9 particles: every slot starts again
    const auto reseeded = std::get<Chaos::Cells>(chaos.state());
    EXPECT_EQ(reseeded.count, 9u);
    EXPECT_NE(reseeded.x[15], seeded.x[15]);
    EXPECT_NE(reseeded.heading[12], seeded.heading[12]);
    EXPECT_NE(reseeded.rng, seeded.rng);
}

TEST(Cells, ParticlesSteerDriftAndComeBackAcrossTheRim) {
    // Three particles (a = 1) moved by one tick, against the rule written out. Particle 0 sits
    // just inside the rim heading outwards; moving forwards only, it crosses and comes back on
    // the far side.
    struct Case {
        const char* name;
        float time, rate, b;
        bool crosses;  // particle 0 passes the rim
    };
    const std::vector<Case> cases = {
        {"forward only", 5.0f, 10.0f, 0.0f, true},
        {"forward and orbit", 12.5f, 10.0f, 0.6f, false},
        {"time wraps at 10000", 9999.995f, 10.0f, 1.0f, true},
    };
    const float two_pi = 6.28318548f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chaos::Cells start = std::get<Chaos::Cells>(Chaos(5, 1).state());
        start.count = 3;
        start.time = c.time;
        start.x = {4.1999f, 1.0f, -2.0f};
        start.y = {0.0f, -0.5f, 2.0f};
        start.heading = {0.0f, 2.0f, -1.0f};
        Chaos chaos(start);
        step(chaos, c.rate, 1.0f, c.b, 1.0f);

        Chaos::Cells expected = start;
        expected.time += dt * c.rate;
        if (expected.time > 10000.0f) expected.time -= 10000.0f;
        const float swirl = expected.time * 0.05f * two_pi;
        const float forward = c.rate * ((1.0f - c.b) * 0.6f + 0.1f);
        const float orbit = c.rate * 1.5f * c.b;
        for (std::size_t i = 0; i < 3; ++i) {
            const auto fi = static_cast<float>(i);
            const float n = value_noise(fi * 2.71f + 0.3f, 4.2f, expected.time + fi);
            float& h = expected.heading[i];
            h += n * 24.0f * c.rate * dt;
            const float beta = h * 0.6f + swirl;
            float& x = expected.x[i];
            float& y = expected.y[i];
            x += (std::cos(h) * forward + std::cos(beta) * orbit) * dt;
            y += (std::sin(h) * forward + std::sin(beta) * orbit) * dt;
            if (x * x + y * y > 17.6399975f) {
                const float angle = std::atan2(y, x) + 3.14159274f;
                x = std::cos(angle) * 4.1f;
                y = std::sin(angle) * 4.1f;
            }
        }
        EXPECT_EQ(std::get<Chaos::Cells>(chaos.state()), expected);
        EXPECT_EQ(expected.x[0] < -4.0f, c.crosses);  // came back on the far side
        EXPECT_LT(expected.time, 10000.0f);
    }
}

TEST(Cells, TapsFallWithDistanceToTheNearestParticle) {
    // Sixteen particles (a = 0), all on the point each case gives; at rate 0 nothing moves.
    // Cell size L = sqrt(41 / 16) * 1.05; a tap at distance d reads 1 - 2d / L.
    const float size = std::sqrt(41.0f / 16.0f) * 1.05f;
    struct Case {
        const char* name;
        float x, y, spread;
        std::array<float, 4> taps;
    };
    const float half = 1.0f - (size * 0.25f + size * 0.25f) / size;
    const std::vector<Case> cases = {
        {"on the probes at the centre", 0.0f, 0.0f, 0.0f, {1.0f, 1.0f, 1.0f, 1.0f}},
        {"a quarter cell from the probes", size * 0.25f, 0.0f, 0.0f, {half, half, half, half}},
        {"on tap 0's probe at spread 1",
         3.2f * 0.921060979f,
         3.2f * 0.389418334f,
         1.0f,
         {1.0f, -1.0f, -1.0f, -1.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chaos::Cells cells = std::get<Chaos::Cells>(Chaos(5, 1).state());
        cells.count = 16;
        cells.x.fill(c.x);
        cells.y.fill(c.y);
        Chaos chaos(cells);
        const auto taps = step(chaos, 0.0f, 0.0f, 0.5f, c.spread);
        for (std::size_t k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(taps[k], c.taps[k]) << "tap " << k;
    }
}

TEST(Cells, SpreadZeroGivesFourEqualTaps) {
    Chaos chaos = Chaos(5, 2);
    for (int t = 0; t < 500; ++t) {
        const auto taps = step(chaos, 3.0f, 0.3f, 0.4f, 0.0f);
        ASSERT_EQ(taps, (std::array<float, 4>{taps[0], taps[0], taps[0], taps[0]}));
    }
}

TEST(Cells, ParticlesStayOnThePlate) {
    Chaos chaos = Chaos(5, 3);
    for (int t = 0; t < 5000; ++t) step(chaos, 50.0f, 0.0f, 0.2f, 1.0f);
    const auto& cells = std::get<Chaos::Cells>(chaos.state());
    for (std::size_t i = 0; i < cells.count; ++i) {
        EXPECT_LE(cells.x[i] * cells.x[i] + cells.y[i] * cells.y[i], 17.6399975f) << i;
    }
}

}  // namespace
}  // namespace ondrix_engine::chaos
