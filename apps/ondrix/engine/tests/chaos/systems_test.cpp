#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "chaos/chaos.hpp"
#include "chaos/rng.hpp"

namespace ondrix_engine::chaos {
namespace {

constexpr float dt = 0.001f;
constexpr std::uint8_t pendulum = 6;
constexpr std::uint8_t lorenz = 7;
constexpr std::uint8_t wander = 8;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

std::array<float, 4> step(Chaos& chaos, float rate, float a, float b, float spread = 1.0f) {
    std::uint32_t rng = 1;
    return chaos.step(rng, dt, rate, a, b, spread, 0.0f);
}

// One call of the pendulum written out from its equations, with the number of Runge-Kutta
// sub-steps given rather than derived, so that a test can state how many the generator takes.
Chaos::Pendulum pendulum_call(Chaos::Pendulum p, float rate, float a, float b, int steps) {
    const auto time = static_cast<double>(rate * dt * 4.0f);
    const double h = time / steps;
    const auto tilt = static_cast<double>((b - 0.5f) * 3.14159274f);
    using S = std::array<double, 4>;
    auto slope = [tilt](const S& s) {
        const double p1 = s[0] - tilt;
        const double p2 = s[1] - tilt;
        const double d = p1 - p2;
        const double den = 3.0 - std::cos(2.0 * d);
        const double a1 = (-29.43 * std::sin(p1) - 9.81 * std::sin(p1 - 2.0 * p2) -
                           2.0 * std::sin(d) * (s[3] * s[3] + s[2] * s[2] * std::cos(d))) /
                          den;
        const double a2 = 2.0 * std::sin(d) *
                          (2.0 * s[2] * s[2] + 19.62 * std::cos(p1) + s[3] * s[3] * std::cos(d)) /
                          den;
        return S{s[2], s[3], a1, a2};
    };
    auto along = [](const S& s, const S& k, double t) {
        return S{s[0] + k[0] * t, s[1] + k[1] * t, s[2] + k[2] * t, s[3] + k[3] * t};
    };
    S s{p.angle1, p.angle2, p.speed1, p.speed2};
    for (int i = 0; i < steps; ++i) {
        const S k1 = slope(s);
        const S k2 = slope(along(s, k1, h / 2));
        const S k3 = slope(along(s, k2, h / 2));
        const S k4 = slope(along(s, k3, h));
        for (int j = 0; j < 4; ++j) s[j] += (((k1[j] + 2 * k2[j]) + 2 * k3[j]) + k4[j]) * (h / 6);
    }
    p = {s[0], s[1], s[2], s[3], p.energy};
    const double ticks = static_cast<double>(dt) * 48000.0;  // dt widened, not 0.001 exactly
    p.energy +=
        (p.speed1 * p.speed1 + p.speed2 * p.speed2 - p.energy) * (1.0 - std::pow(0.9992, ticks));
    const double limit = std::pow(1.015, ticks * 0.125);
    const double factor = std::fmin(
        std::fmax(std::pow((a * 13.7 + 0.3) / std::fmax(p.energy, 1e-6), 0.6 * time), 1 / limit),
        limit);
    p.speed1 = std::fmin(std::fmax(p.speed1 * factor, -60.0), 60.0);
    p.speed2 = std::fmin(std::fmax(p.speed2 * factor, -60.0), 60.0);
    return p;
}

TEST(Pendulum, StartsAtRestNearTheTop) {
    Chaos chaos = Chaos(pendulum, 1);
    const auto taps = step(chaos, 0.0f, 0.6f, 0.5f);
    EXPECT_EQ(taps[0], static_cast<float>((std::sin(2.6) + std::sin(2.7)) * 0.5));
    EXPECT_EQ(taps[1], static_cast<float>(-(std::cos(2.6) + std::cos(2.7)) * 0.5));
    EXPECT_GT(taps[1], 0.8f);
    EXPECT_EQ(taps[2], static_cast<float>(2.6 / 3.141592653589793));
    EXPECT_EQ(taps[3], static_cast<float>(2.7 / 3.141592653589793));

    // At rate 0 the arms do not move, but the energy tracking does.
    const auto& p = std::get<Chaos::Pendulum>(chaos.state());
    EXPECT_EQ(p.angle1, 2.6);
    EXPECT_EQ(p.speed1, 0.0);
    EXPECT_EQ(p.energy, 1.0 + -(1.0 - std::pow(0.9992, static_cast<double>(dt) * 48000.0)));

    // Let go, it falls.
    float lowest = taps[1];
    for (int t = 0; t < 2000; ++t) lowest = std::fmin(lowest, step(chaos, 2.0f, 0.6f, 0.5f)[1]);
    EXPECT_LT(lowest, 0.0f);
}

TEST(Pendulum, SubStepsCoverTheTimeUpToSixteen) {
    struct Case {
        float rate;
        int steps;
    };
    // dt = 0.001f is a hair above 0.001, so T / 0.004 is a hair above the rate in Hz and rounds
    // up to the next whole number.
    const std::vector<Case> cases = {{0.0f, 1},   {0.5f, 1},   {2.0f, 3},   {10.0f, 11},
                                     {15.0f, 16}, {16.0f, 16}, {100.0f, 16}};
    // The second start spins faster than the speed limit of 60 allows.
    const Chaos::Pendulum starts[] = {{2.0, -1.0, 3.0, -4.0, 12.0}, {0.5, 1.0, 75.0, -70.0, 40.0}};
    for (const Chaos::Pendulum& moving : starts) {
        for (const Case& c : cases) {
            for (const float b : {0.5f, 0.1f}) {
                SCOPED_TRACE(testing::Message()
                             << "speed " << moving.speed1 << " rate " << c.rate << " b " << b);
                Chaos chaos(moving);
                const auto taps = step(chaos, c.rate, 0.7f, b);
                const Chaos::Pendulum expected = pendulum_call(moving, c.rate, 0.7f, b, c.steps);
                EXPECT_EQ(std::get<Chaos::Pendulum>(chaos.state()), expected);
                EXPECT_LE(std::fabs(expected.speed1), 60.0);
                EXPECT_LE(std::fabs(expected.speed2), 60.0);
                EXPECT_EQ(taps[0],
                          static_cast<float>(
                              (std::sin(expected.angle1) + std::sin(expected.angle2)) * 0.5));
            }
        }
    }
    // At rate 0 the arms stand, so the fast start is simply held at the limit.
    Chaos held(starts[1]);
    step(held, 0.0f, 0.7f, 0.5f);
    EXPECT_EQ(std::get<Chaos::Pendulum>(held.state()).speed1, 60.0);
    EXPECT_EQ(std::get<Chaos::Pendulum>(held.state()).speed2, -60.0);
}

TEST(Pendulum, WrappedAngleTaps) {
    struct Case {
        double angle;
        float tap;
    };
    const std::vector<Case> cases = {
        {0.5, static_cast<float>(0.5 / 3.141592653589793)},
        {-0.5, static_cast<float>(-0.5 / 3.141592653589793)},
        {7.0, static_cast<float>((7.0 - 2 * 3.141592653589793) / 3.141592653589793)},
        {-7.0, static_cast<float>((-7.0 + 2 * 3.141592653589793) / 3.141592653589793)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        Chaos chaos(Chaos::Pendulum{c.angle, c.angle, 0.0, 0.0, 1.0});
        const auto taps = step(chaos, 0.0f, 0.5f, 0.5f);
        EXPECT_NEAR(taps[2], c.tap, 1e-6f);
        EXPECT_NEAR(taps[3], c.tap, 1e-6f);
    }
}

TEST(Pendulum, BrokenStateStartsOverWithSilentTaps) {
    struct Case {
        const char* name;
        Chaos::Pendulum state;
        float rate;
    };
    const std::vector<Case> cases = {
        {"blown up by an absurd rate", {2.6, 2.7, 0.0, 0.0, 1.0}, 1.0e7f},
        {"angle not a number", {nan, 2.7, 0.0, 0.0, 1.0}, 2.0f},
        {"speed infinite", {2.6, 2.7, 0.0, inf, 1.0}, 2.0f},
        {"energy infinite", {2.6, 2.7, 1.0, 1.0, inf}, 2.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chaos chaos(c.state);
        EXPECT_EQ(step(chaos, c.rate, 0.5f, 0.5f), (std::array<float, 4>{}));
        EXPECT_EQ(chaos, Chaos(pendulum, 1));
    }
}

// n Euler steps of the Lorenz system; returns the magnitude of the last derivative.
double lorenz_steps(Chaos::Lorenz& l, float rate, float a, float b, int steps) {
    const double rho = a * 26.0 + 14.0;
    const double beta = b * 3.0 + 1.2;
    const double h = static_cast<double>(rate * dt * 2.0f) / steps;
    double v = 0.0;
    for (int i = 0; i < steps; ++i) {
        const double dx = 10.0 * (l.y - l.x);
        const double dy = l.x * (rho - l.z) - l.y;
        const double dz = l.x * l.y - beta * l.z;
        l.x += h * dx;
        l.y += h * dy;
        l.z += h * dz;
        v = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    return v;
}

TEST(Lorenz, SubStepsCoverTheTimeUpToThirtyTwo) {
    struct Case {
        float rate;
        int steps;
    };
    // As for the pendulum, a rate of r Hz takes r + 1 steps below the cap.
    const std::vector<Case> cases = {{0.0f, 1},   {1.0f, 2},   {2.0f, 3},   {20.0f, 21},
                                     {31.0f, 32}, {32.0f, 32}, {100.0f, 32}};
    const Chaos::Lorenz start{-3.0, 4.0, 20.0, 30.0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        Chaos chaos(start);
        const auto taps = step(chaos, c.rate, 0.6f, 0.5f);
        Chaos::Lorenz expected = start;
        const double v = lorenz_steps(expected, c.rate, 0.6f, 0.5f, c.steps);
        expected.speed += (v - expected.speed) * 0.05;
        EXPECT_EQ(std::get<Chaos::Lorenz>(chaos.state()), expected);
        const double rho = 0.6f * 26.0 + 14.0;
        const std::array<float, 4> expected_taps = {
            static_cast<float>(expected.x / 20.0), static_cast<float>(expected.y / 27.0),
            static_cast<float>((expected.z - rho) / rho),
            static_cast<float>(expected.speed / 120.0 - 1.0)};
        EXPECT_EQ(taps, expected_taps);
    }
}

TEST(Lorenz, RateZeroStillRelaxesTheSpeed) {
    Chaos chaos = Chaos(lorenz, 1);
    step(chaos, 0.0f, 0.5f, 0.5f);
    const auto& l = std::get<Chaos::Lorenz>(chaos.state());
    EXPECT_EQ(l.x, 1.01);
    EXPECT_EQ(l.y, 1.0);
    EXPECT_EQ(l.z, 1.0);
    Chaos::Lorenz unmoved{1.01, 1.0, 1.0, 0.0};
    EXPECT_EQ(l.speed, lorenz_steps(unmoved, 0.0f, 0.5f, 0.5f, 1) * 0.05);
}

TEST(Lorenz, BrokenOrRunawayStateStartsOverAtOne) {
    struct Case {
        const char* name;
        Chaos::Lorenz state;
        float rate;
    };
    const std::vector<Case> cases = {
        {"x past 10000", {20000.0, 1.0, 1.0, 5.0}, 0.0f},
        {"x past -10000", {-20000.0, 1.0, 1.0, 5.0}, 0.0f},
        {"y not a number", {1.0, nan, 1.0, 5.0}, 2.0f},
        {"z infinite", {1.0, 1.0, inf, 5.0}, 2.0f},
        {"blown up by an absurd rate", {1.01, 1.0, 1.0, 5.0}, 1.0e7f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chaos chaos(c.state);
        const auto taps = step(chaos, c.rate, 0.5f, 0.5f);
        const auto& l = std::get<Chaos::Lorenz>(chaos.state());
        EXPECT_EQ(l.x, 1.0);
        EXPECT_EQ(l.y, 1.0);
        EXPECT_EQ(l.z, 1.0);
        // The speed is kept, and never left as a non-number by the blown-up derivatives.
        EXPECT_TRUE(std::isfinite(l.speed));
        for (const float tap : taps) {
            EXPECT_GE(tap, -1.0f);
            EXPECT_LE(tap, 1.0f);
        }
        // It runs on normally afterwards.
        for (int t = 0; t < 100; ++t) step(chaos, 2.0f, 0.5f, 0.5f);
        EXPECT_TRUE(std::isfinite(std::get<Chaos::Lorenz>(chaos.state()).speed));
        EXPECT_LT(std::fabs(std::get<Chaos::Lorenz>(chaos.state()).x), 100.0);
    }
}

TEST(Wander, JumpsDrawCommonThenEachWalk) {
    // From the start (all 0), one jump moves each walk by its draw times the step, then keeps
    // the fraction 1 - 0.3 b of it.
    struct Case {
        float a, b;
        float step, keep;
    };
    const std::vector<Case> cases = {
        {0.0f, 0.0f, 0.05f, 1.0f}, {1.0f, 0.0f, 0.5f, 1.0f}, {1.0f, 1.0f, 0.5f, 0.7f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "a " << c.a << " b " << c.b);
        Chaos chaos = Chaos(wander, 1);
        std::uint32_t rng = 12345;
        chaos.step(rng, dt, 1000.0f, c.a, c.b, 1.0f, 0.0f);  // one whole jump per tick
        std::uint32_t draws = 12345;
        const auto& w = std::get<Chaos::Wander>(chaos.state());
        EXPECT_EQ(w.common, (signed_draw(draws) * c.step + 0.0f) * c.keep);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(w.walks[k], (signed_draw(draws) * c.step + 0.0f) * c.keep) << "walk " << k;
            EXPECT_LE(std::fabs(w.walks[k]), c.step);
        }
        EXPECT_EQ(rng, draws);
        EXPECT_EQ(w.clock, 0.0f);
    }
}

TEST(Wander, WalksShrinkNearTheEdgeAndStayInRange) {
    Chaos::Wander near_edge;
    near_edge.common = 0.95f;
    near_edge.walks = {0.85f, -0.95f, 0.1f, 1.0f};
    Chaos chaos(near_edge);
    std::uint32_t rng = 1;
    chaos.step(rng, dt, 1000.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    std::uint32_t draws = 1;
    auto next = [&](float from) {
        const float moved = signed_draw(draws) * 0.05f + from;
        return std::fabs(moved) > 0.8f ? moved * 0.9f : moved;
    };
    const auto& w = std::get<Chaos::Wander>(chaos.state());
    EXPECT_EQ(w.common, next(0.95f));
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(w.walks[k], next(near_edge.walks[k])) << k;

    for (int t = 0; t < 20000; ++t) {
        for (const float out : chaos.step(rng, dt, 800.0f, 1.0f, 0.0f, 1.0f, 0.0f)) {
            ASSERT_GE(out, -1.0f);
            ASSERT_LE(out, 1.0f);
        }
    }
}

TEST(Wander, RateZeroGlidesWithoutJumping) {
    Chaos::Wander held;
    held.common = 0.5f;
    held.walks = {-0.5f, 0.25f, 0.0f, 1.0f};
    struct Case {
        float spread;
        std::array<float, 4> targets;
    };
    const std::vector<Case> cases = {
        {0.0f, {0.5f, 0.5f, 0.5f, 0.5f}},
        {1.0f, {-0.5f, 0.25f, 0.0f, 1.0f}},
    };
    const float glide = 1.0f - std::exp(-4.0f * 0.05f * dt);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spread);
        Chaos chaos(held);
        std::uint32_t rng = 1;
        const auto taps = chaos.step(rng, dt, 0.0f, 0.5f, 0.5f, c.spread, 0.0f);
        EXPECT_EQ(rng, 1u);
        for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(taps[k], c.targets[k] * glide) << k;
    }
}

TEST(Wander, JumpsPerCallAreBoundedAtSixtyFour) {
    // Up to 64 due jumps (five draws each) all happen and the clock keeps its fraction; past that
    // one call makes 64 and drops the backlog.
    struct Case {
        float rate;
        float clock_left;
    };
    const std::vector<Case> cases = {{64500.0f, 0.5f}, {65500.0f, 0.0f}, {3.0e38f, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        Chaos chaos = Chaos(wander, 1);
        std::uint32_t rng = 1;
        chaos.step(rng, dt, c.rate, 0.5f, 0.5f, 1.0f, 0.0f);
        std::uint32_t expected = 1;
        for (int i = 0; i < 64 * 5; ++i) next_u32(expected);
        EXPECT_EQ(rng, expected);
        EXPECT_NEAR(std::get<Chaos::Wander>(chaos.state()).clock, c.clock_left, 1e-3f);
    }
}

}  // namespace
}  // namespace ondrix_engine::chaos
