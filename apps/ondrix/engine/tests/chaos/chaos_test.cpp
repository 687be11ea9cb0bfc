#include "chaos/chaos.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "allocation_counter.hpp"

namespace ondrix_engine::chaos {
namespace {

constexpr float dt = 0.001f;

// A copy of the variant state of a freshly made generator.
template <typename Variant>
Variant fresh(std::uint8_t kind, std::uint32_t seed) {
    return std::get<Variant>(Chaos(kind, seed).state());
}

// Steps a generator for a while under varying controls, drawing from a shared state.
void run(Chaos& chaos, std::uint32_t& rng, int ticks, float rate) {
    for (int t = 0; t < ticks; ++t) {
        const float sweep = static_cast<float>(t % 100) / 100.0f;
        chaos.step(rng, dt, rate, sweep, 1.0f - sweep, 0.7f, sweep);
    }
}

TEST(Chaos, CreateGivesTheVariantAndKeepsTheKind) {
    for (std::uint8_t kind = 0; kind <= 8; ++kind) {
        SCOPED_TRACE(static_cast<int>(kind));
        const Chaos chaos = Chaos(kind, 3);
        EXPECT_EQ(chaos.kind(), kind);
        const std::size_t tags[] = {0, 0, 0, 1, 1, 2, 3, 4, 5};
        EXPECT_EQ(chaos.state().index(), tags[kind]);
    }
}

TEST(Chaos, SeedsPlaceNoiseCentresAndLorenzStarts) {
    struct Case {
        std::uint32_t seed;
        float centre_x, centre_y;
        double lorenz_x;
    };
    const std::vector<Case> cases = {
        {1, 2.0f, 2.9f, 1.01},
        {7, 0.3f, 5.2f, 1.07},
        {16, 1.7f * 2 + 0.3f, 2.3f + 0.6f, 1.16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        for (std::uint8_t motion = 0; motion <= 2; ++motion) {
            const auto noise = fresh<Chaos::Noise>(motion, c.seed);
            EXPECT_EQ(noise.motion, motion);
            EXPECT_EQ(noise.centre_x, c.centre_x);
            EXPECT_EQ(noise.centre_y, c.centre_y);
        }
        const auto lorenz = fresh<Chaos::Lorenz>(7, c.seed);
        EXPECT_EQ(lorenz.x, c.lorenz_x);
        EXPECT_EQ(lorenz.y, 1.0);
        EXPECT_EQ(lorenz.z, 1.0);
        EXPECT_EQ(lorenz.speed, 0.0);
    }
}

TEST(Chaos, CellsSeedMixingThatGivesZeroStartsAtOne) {
    // 7919 is odd, so it has an inverse modulo 2^32: this seed makes seed * 7919 equal the mask.
    std::uint32_t inverse = 7919;
    for (int i = 0; i < 5; ++i) inverse *= 2u - 7919u * inverse;
    const std::uint32_t seed = 0x2545f491u * inverse;
    ASSERT_EQ(seed * 7919u ^ 0x2545f491u, 0u);
    EXPECT_EQ(fresh<Chaos::Cells>(5, seed).rng, Rng(1));
    EXPECT_EQ(fresh<Chaos::Cells>(5, 1).rng, Rng(7919u ^ 0x2545f491u));
}

TEST(Chaos, FixedStarts) {
    const auto pond = fresh<Chaos::Pond>(4, 9);
    EXPECT_TRUE(pond.wave);
    EXPECT_EQ(pond.tap_spread, -1.0f);
    EXPECT_EQ(pond.current, std::vector<float>(271, 0.0f));
    EXPECT_EQ(pond.previous.size(), 271u);
    EXPECT_EQ(pond.next.size(), 271u);
    EXPECT_FALSE(fresh<Chaos::Pond>(3, 9).wave);

    EXPECT_EQ(fresh<Chaos::Pendulum>(6, 9), (Chaos::Pendulum{2.6, 2.7, 0.0, 0.0, 1.0}));
    EXPECT_EQ(fresh<Chaos::Wander>(8, 9), Chaos::Wander{});
}

TEST(Chaos, RestartReturnsEveryVariantToItsStart) {
    for (std::uint8_t kind = 0; kind <= 8; ++kind) {
        SCOPED_TRACE(static_cast<int>(kind));
        Chaos chaos = Chaos(kind, 4);
        std::uint32_t rng = 99;
        run(chaos, rng, 700, 40.0f);
        chaos.restart(4);
        if (kind == 3 || kind == 4) continue;  // ponds below
        EXPECT_EQ(chaos, Chaos(kind, 4));
        // The seed given to restart is the one used.
        chaos.restart(5);
        EXPECT_EQ(chaos, Chaos(kind, 5));
    }
}

TEST(Chaos, RestartFlattensAPondAndKeepsItsTapCells) {
    for (const std::uint8_t kind : {std::uint8_t{3}, std::uint8_t{4}}) {
        SCOPED_TRACE(static_cast<int>(kind));
        Chaos chaos = Chaos(kind, 2);
        std::uint32_t rng = 7;
        for (int t = 0; t < 900; ++t) chaos.step(rng, dt, 90.0f, 0.8f, 0.9f, 1.0f, 0.0f);
        const Chaos::Pond before = std::get<Chaos::Pond>(chaos.state());
        ASSERT_NE(before.current, std::vector<float>(271, 0.0f));

        chaos.restart(2);
        const auto& after = std::get<Chaos::Pond>(chaos.state());
        EXPECT_EQ(after.current, std::vector<float>(271, 0.0f));
        EXPECT_EQ(after.previous, std::vector<float>(271, 0.0f));
        EXPECT_EQ(after.clock, 0.0f);
        EXPECT_EQ(after.drops, 0.0f);
        EXPECT_EQ(after.tap_cells, before.tap_cells);
        EXPECT_EQ(after.tap_spread, 1.0f);
        EXPECT_EQ(after.wave, before.wave);
        EXPECT_EQ(chaos.kind(), kind);
    }
}

TEST(Chaos, NegativeAndNonFiniteRatesStandLikeRateZero) {
    const float rates[] = {-1.0f, -1.0e30f, -std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity()};
    for (std::uint8_t kind = 0; kind <= 8; ++kind) {
        for (const float rate : rates) {
            SCOPED_TRACE(testing::Message() << "kind " << int(kind) << " rate " << rate);
            Chaos still = Chaos(kind, 1);
            Chaos other = Chaos(kind, 1);
            std::uint32_t rng_still = 5;
            std::uint32_t rng_other = 5;
            for (int t = 0; t < 50; ++t) {
                const auto a = still.step(rng_still, dt, 0.0f, 0.3f, 0.6f, 0.5f, 0.25f);
                const auto b = other.step(rng_other, dt, rate, 0.3f, 0.6f, 0.5f, 0.25f);
                ASSERT_EQ(a, b);
            }
            EXPECT_EQ(still, other);
            EXPECT_EQ(rng_still, rng_other);
        }
    }
}

TEST(Chaos, TapsStayFiniteAndWithinRange) {
    const float rates[] = {0.05f, 2.0f, 60.0f, 400.0f};
    for (std::uint8_t kind = 0; kind <= 8; ++kind) {
        for (const float rate : rates) {
            SCOPED_TRACE(testing::Message() << "kind " << int(kind) << " rate " << rate);
            Chaos chaos = Chaos(kind, 11);
            std::uint32_t rng = 3;
            for (int t = 0; t < 4000; ++t) {
                // Controls sweep their whole range and beyond over the run.
                const float sweep = static_cast<float>(t % 1000) / 999.0f;
                const float a = sweep;
                const float b = 1.0f - sweep;
                const float spread = static_cast<float>((t / 7) % 11) / 10.0f;
                for (const float tap : chaos.step(rng, dt, rate, a, b, spread, sweep)) {
                    ASSERT_TRUE(std::isfinite(tap)) << "tick " << t;
                    ASSERT_LE(std::fabs(tap), 1.0f) << "tick " << t;
                }
            }
        }
    }
}

TEST(Chaos, StepAndRestartNeverAllocate) {
    // Every kind, at a typical and at a high rate, across restarts and changes of a and spread.
    std::vector<Chaos> generators;
    for (std::uint8_t kind = 0; kind <= 8; ++kind) generators.push_back(Chaos(kind, 1));
    std::uint32_t rng = 1;
    ondrix_testing::AllocationCounter counter;
    for (Chaos& chaos : generators) {
        run(chaos, rng, 300, 2.0f);
        chaos.restart(2);
        run(chaos, rng, 300, 200.0f);
        run(chaos, rng, 10, 1.0e7f);
    }
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace ondrix_engine::chaos
