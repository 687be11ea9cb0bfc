#include "chaos/value_noise.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace ondrix_engine::chaos {
namespace {

TEST(ValueNoise, LatticeCornersAndPoints) {
    struct Case {
        std::int32_t i, j, k;
        float value;
    };
    const std::vector<Case> cases = {
        {0, 0, 0, -1.0f},
        {1, 0, 0, 0.200061083f},
        {0, 1, 0, 0.652063727f},
        {0, 0, 1, 0.298054457f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.i << "," << c.j << "," << c.k);
        EXPECT_EQ(lattice_value(c.i, c.j, c.k), c.value);
        // At a lattice point the noise is that point's value.
        EXPECT_EQ(
            value_noise(static_cast<float>(c.i), static_cast<float>(c.j), static_cast<float>(c.k)),
            c.value);
    }
}

TEST(ValueNoise, SamplesBetweenLatticePoints) {
    struct Case {
        float x, y, z;
        float value;
    };
    const std::vector<Case> cases = {
        {0.5f, 0.5f, 0.5f, -0.0422026664f},
        {1.25f, -2.5f, 3.75f, -0.0675419271f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << "," << c.z);
        EXPECT_EQ(value_noise(c.x, c.y, c.z), c.value);
    }
}

TEST(ValueNoise, FadesBetweenTwoCornersAlongOneAxis) {
    // With y and z on the lattice only the x blend is left: from the corner (0, 0, 0) at -1 to
    // (1, 0, 0) at 0.200061083, by ((6t - 15) t + 10) t^3 in that order of rounding.
    for (const float t : {0.1f, 0.3f, 0.7f, 0.9f, 0.999f}) {
        SCOPED_TRACE(t);
        const float fade = ((t * 6.0f - 15.0f) * t + 10.0f) * (t * t * t);
        EXPECT_EQ(value_noise(t, 0.0f, 0.0f), (0.200061083f - -1.0f) * fade + -1.0f);
    }
}

TEST(ValueNoise, StaysInRangeAndDefinedAtTheEdgesOfTheLattice) {
    // The lattice indices saturate (NaN gives 0) and the next index wraps, so huge or odd
    // coordinates still give a value in [-1, 1] rather than undefined behaviour.
    const float big = std::numeric_limits<float>::max();
    const std::vector<float> coords = {-big,  -3.0e9f,       -2147483648.0f, -1.5f, 0.0f,
                                       0.25f, 2147483520.0f, 3.0e9f,         big};
    for (const float x : coords) {
        for (const float y : coords) {
            const float v = value_noise(x, y, 0.75f);
            SCOPED_TRACE(testing::Message() << x << "," << y);
            EXPECT_GE(v, -1.0f);
            EXPECT_LE(v, 1.0f);
        }
    }
    EXPECT_EQ(value_noise(2147483647.0f, 0.0f, 0.0f), lattice_value(2147483647, 0, 0));
}

}  // namespace
}  // namespace ondrix_engine::chaos
