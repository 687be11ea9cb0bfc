#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "chaos/cells.hpp"
#include "chaos/chaos.hpp"
#include "chaos/rng.hpp"

namespace ondrix_engine::chaos {
namespace {

constexpr float dt = 0.001f;
constexpr std::uint8_t rain = 3;
constexpr std::uint8_t wave = 4;

const Chaos::Pond& pond_of(const Chaos& chaos) {
    return std::get<Chaos::Pond>(chaos.state());
}

// A pond of the kind whose centre cell is raised and at rest, or that is about to fire its next
// event.
Chaos pond(std::uint8_t kind, float bump_at_centre = 0.0f, float drops = 0.0f) {
    Chaos::Pond p = std::get<Chaos::Pond>(Chaos(kind, 1).state());
    p.current[135] = bump_at_centre;
    p.previous[135] = bump_at_centre;
    p.drops = drops;
    return Chaos(std::move(p));
}

// The cell that a rain drop drawn from this state lands on.
std::size_t drop_cell(std::uint32_t state) {
    return static_cast<std::size_t>(unit_draw(state) * 271.0f) % 271;
}

TEST(Pond, TapCellsFollowSpread) {
    struct Case {
        float spread;
        std::array<std::size_t, 4> cells;
    };
    const std::vector<Case> cases = {
        {0.0f, {135, 135, 135, 135}},
        {1.0f, {194, 252, 76, 18}},
    };
    for (const std::uint8_t kind : {rain, wave}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "kind " << int(kind) << " spread " << c.spread);
            Chaos chaos = pond(kind, 0.5f);
            std::uint32_t rng = 1;
            const auto taps = chaos.step(rng, dt, 0.0f, 0.5f, 0.5f, c.spread, 0.0f);
            EXPECT_EQ(pond_of(chaos).tap_cells, c.cells);
            EXPECT_EQ(pond_of(chaos).tap_spread, c.spread);
            if (c.spread == 0.0f) {
                EXPECT_EQ(taps, (std::array<float, 4>{taps[0], taps[0], taps[0], taps[0]}));
                EXPECT_NE(taps[0], 0.0f);
            }
        }
    }
}

TEST(Pond, FlatPondReadsZeroAndRateZeroChangesNothing) {
    for (const std::uint8_t kind : {rain, wave}) {
        SCOPED_TRACE(static_cast<int>(kind));
        Chaos flat = Chaos(kind, 1);
        std::uint32_t rng = 1;
        EXPECT_EQ(flat.step(rng, dt, 0.0f, 0.5f, 0.5f, 1.0f, 0.0f), (std::array<float, 4>{}));

        Chaos rippled = pond(kind, 1.0f, 0.5f);
        const auto first = rippled.step(rng, dt, 0.0f, 0.5f, 1.0f, 0.4f, 0.0f);
        const Chaos before = rippled;
        for (int t = 0; t < 10; ++t) {
            EXPECT_EQ(rippled.step(rng, dt, 0.0f, 0.5f, 1.0f, 0.4f, 0.0f), first);
        }
        EXPECT_EQ(rippled, before);
        EXPECT_EQ(rng, 1u);
    }
}

TEST(Pond, RainDropDentsItsCellAndNeighbours) {
    // A drop is due on the next call (drops just under 1), at a rate too low to propagate.
    std::uint32_t corner_seed = 1;
    const auto plate = cells::CELLS();
    while (std::count(plate[drop_cell(corner_seed)].neighbours.begin(),
                      plate[drop_cell(corner_seed)].neighbours.end(), -1) != 3) {
        ++corner_seed;
    }
    for (const std::uint32_t seed : {1u, corner_seed}) {
        SCOPED_TRACE(seed);
        const std::size_t c = drop_cell(seed);
        Chaos chaos = pond(rain, 0.0f, 0.9999f);
        std::uint32_t rng = seed;
        chaos.step(rng, dt, 1.0f, 0.5f, 1.0f, 1.0f, 0.0f);
        std::uint32_t once = seed;
        next_u32(once);
        EXPECT_EQ(rng, once);

        std::vector<float> current(271, 0.0f);
        std::vector<float> previous(271, 0.0f);
        current[c] = -1.2f;
        previous[c] = -0.6f;
        for (const std::int32_t n : plate[c].neighbours) {
            if (n < 0) continue;
            current[static_cast<std::size_t>(n)] = -0.6f;
            previous[static_cast<std::size_t>(n)] = -0.3f;
        }
        EXPECT_EQ(pond_of(chaos).current, current);
        EXPECT_EQ(pond_of(chaos).previous, previous);
    }
}

TEST(Pond, WaveCrestRisesAlongTheTrailingEdge) {
    // Direction b = 0 points east, so the crest starts along the western edge.
    Chaos chaos = pond(wave, 0.0f, 0.9999f);
    std::uint32_t rng = 1;
    chaos.step(rng, dt, 1.0f, 0.5f, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(rng, 1u);
    const auto plate = cells::CELLS();
    const float west =
        std::min_element(plate.begin(), plate.end(), [](auto& p, auto& q) { return p.x < q.x; })->x;
    std::size_t raised = 0;
    for (std::size_t i = 0; i < plate.size(); ++i) {
        SCOPED_TRACE(i);
        const bool in_crest = plate[i].x - west < 0.45f;
        EXPECT_EQ(pond_of(chaos).current[i], in_crest ? 0.8f : 0.0f);
        EXPECT_EQ(pond_of(chaos).previous[i], in_crest ? 0.5f : 0.0f);
        raised += in_crest;
    }
    // The western corner cell, the next one along its row, and the first cells of the two rows
    // on either side.
    EXPECT_EQ(raised, 6u);
}

TEST(Pond, PropagationRunsAtMostSixStepsPerCall) {
    // At rate 25 the clock gains dt * 1000 whole steps; one call of dt 0.001 runs exactly one.
    auto stepped_singly = [](int steps) {
        Chaos chaos = pond(rain, 1.0f);
        std::uint32_t rng = 1;
        for (int s = 0; s < steps; ++s) chaos.step(rng, dt, 25.0f, 0.5f, 0.0f, 1.0f, 0.0f);
        return chaos;
    };
    struct Case {
        float call_dt;
        int steps;
        float clock;
    };
    const std::vector<Case> cases = {
        {0.001f, 1, 0.0f}, {0.0065f, 6, 0.5f}, {0.006f, 6, 0.0f},
        {0.007f, 6, 0.0f}, {0.0125f, 6, 0.0f},  // 12.5 steps due: the backlog and its fraction are
                                                // dropped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call_dt);
        Chaos chaos = pond(rain, 1.0f);
        std::uint32_t rng = 1;
        chaos.step(rng, c.call_dt, 25.0f, 0.5f, 0.0f, 1.0f, 0.0f);
        const Chaos reference = stepped_singly(c.steps);
        EXPECT_EQ(pond_of(chaos).current, pond_of(reference).current);
        EXPECT_EQ(pond_of(chaos).previous, pond_of(reference).previous);
        EXPECT_NEAR(pond_of(chaos).clock, c.clock, 1e-4f);
    }
}

// A pond whose centre cell stands at `now` and stood at `before` one step earlier.
Chaos moving_pond(std::uint8_t kind, float now, float before) {
    Chaos::Pond p = std::get<Chaos::Pond>(Chaos(kind, 1).state());
    p.current[135] = now;
    p.previous[135] = before;
    return Chaos(std::move(p));
}

TEST(Pond, OneStepFollowsTheDampedWaveEquation) {
    // One step from a single raised cell: its velocity (now - before) is kept times the damping
    // d, it gives up 0.9 of its height, a sixth of that to each of its six neighbours, and the
    // mean is then taken off every cell.
    struct Case {
        float a;
        float before;
        float damping;
    };
    const std::vector<Case> cases = {
        {1.0f, 1.0f, 0.997f},   // at rest: no velocity to damp
        {1.0f, 0.25f, 0.997f},  // rising, long ring
        {0.0f, 0.25f, 0.937f},  // rising, short ring
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "a " << c.a << " before " << c.before);
        Chaos chaos = moving_pond(rain, 1.0f, c.before);
        std::uint32_t rng = 1;
        chaos.step(rng, dt, 25.0f, c.a, 0.0f, 1.0f, 0.0f);
        const auto& p = pond_of(chaos);
        const float centre = (1.0f - c.before) * c.damping + 1.0f - 0.9f;
        const float mean = (centre + 6.0f * 0.15f) / 271.0f;
        EXPECT_NEAR(std::accumulate(p.current.begin(), p.current.end(), 0.0) / 271.0, 0.0, 1e-7);
        EXPECT_EQ(p.previous[135], 1.0f);
        EXPECT_NEAR(p.current[135], centre - mean, 1e-6f);
        for (const std::int32_t n : cells::CELLS()[135].neighbours) {
            EXPECT_NEAR(p.current[static_cast<std::size_t>(n)], 0.15f - mean, 1e-6f);
        }
        EXPECT_NEAR(p.current[0], -mean, 1e-6f);
    }
}

TEST(Pond, RipplesFadeAndStayBounded) {
    Chaos chaos = pond(rain, 1.0f);
    std::uint32_t rng = 1;
    for (int t = 0; t < 5000; ++t) {
        for (const float tap : chaos.step(rng, dt, 200.0f, 0.0f, 1.0f, 1.0f, 0.0f)) {
            ASSERT_GT(tap, -1.0f);
            ASSERT_LT(tap, 1.0f);
        }
    }
}

TEST(Pond, TapsInterpolateBetweenTheLastTwoSteps) {
    // At 6.25 Hz a tick moves the clock a quarter of a step and runs none; the taps read the
    // centre cell (spread 0) a quarter of the way from its previous to its current height,
    // scaled by 3 for rain and 7 for wave before the tanh.
    struct Case {
        std::uint8_t kind;
        float gain;
    };
    const std::vector<Case> cases = {{rain, 3.0f}, {wave, 7.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        Chaos chaos = moving_pond(c.kind, 0.3f, 0.1f);
        std::uint32_t rng = 1;
        const auto taps = chaos.step(rng, dt, 6.25f, 0.5f, 0.0f, 0.0f, 0.0f);
        const float clock = pond_of(chaos).clock;
        EXPECT_NEAR(clock, 0.25f, 1e-6f);
        const float expected = std::tanh((0.1f + (0.3f - 0.1f) * clock) * c.gain);
        EXPECT_EQ(taps, (std::array<float, 4>{expected, expected, expected, expected}));
        EXPECT_EQ(pond_of(chaos).current[135], 0.3f);
    }
}

TEST(Pond, EventsPerCallAreBoundedAtSixteen) {
    // Up to 16 due events all happen and the fraction carries over; past that one call handles
    // 16 and drops the backlog, so that no rate can stall the tick. Rain at b = 1 fires 1.6 drops
    // per second per Hz, wave 0.25 crests.
    struct Case {
        const char* name;
        std::uint8_t kind;
        float rate;
        float drops_left;
    };
    const std::vector<Case> cases = {
        {"rain, 16.5 due", rain, 10312.5f, 0.5f},   {"rain, 17.5 due", rain, 10937.5f, 0.0f},
        {"rain, absurd rate", rain, 3.0e38f, 0.0f}, {"wave, 16.5 due", wave, 66000.0f, 0.5f},
        {"wave, 17.5 due", wave, 70000.0f, 0.0f},   {"wave, absurd rate", wave, 3.0e38f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chaos chaos = Chaos(c.kind, 1);
        std::uint32_t rng = 1;
        chaos.step(rng, dt, c.rate, 0.5f, 1.0f, 1.0f, 0.0f);
        std::uint32_t expected = 1;
        if (c.kind == rain) {
            for (int i = 0; i < 16; ++i) next_u32(expected);
        }
        EXPECT_EQ(rng, expected);
        EXPECT_NEAR(pond_of(chaos).drops, c.drops_left, 1e-3f);
        EXPECT_EQ(pond_of(chaos).clock, 0.0f);  // far more than 6 propagation steps were due
    }
}

}  // namespace
}  // namespace ondrix_engine::chaos
