#include "numeric.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace ondrix_engine::numeric {
namespace {

// The hand-made frac, round, floor and trunc must give the C library's results bit for bit,
// signed zeros included.
template <class T>
auto bits(T x) {
    if constexpr (sizeof(T) == 4) {
        return std::bit_cast<std::uint32_t>(x);
    } else {
        return std::bit_cast<std::uint64_t>(x);
    }
}

template <class T>
void expect_same(T got, T want) {
    if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(got)) << got;
    } else {
        EXPECT_EQ(bits(got), bits(want)) << got << " vs " << want;
    }
}

template <class T>
T library_frac(T x) {
    T r = std::fmod(x, T(1));
    return r < T(0) ? r + T(1) : r;
}

// Every hand-made float operation against its C library counterpart.
void expect_float_matches(float x) {
    expect_same(frac(x), library_frac(x));
    expect_same(round(x), std::round(x));
    expect_same(floor(x), std::floor(x));
    expect_same(trunc(x), std::trunc(x));
    expect_same(remainder4(x), std::fmod(x, 4.0f));
}

TEST(Numeric, MatchesTheCLibrary) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> floats = {
        0.0f,         -0.0f,  0.25f,      -0.25f,      0.5f,          -0.5f,
        1.5f,         -1.5f,  2.5f,       -2.5f,       -3.0f,         0.49999997f,
        -0.49999997f, 1e-30f, -1e-30f,    -1e-8f,      7.9999995f,    -7.9999995f,
        4.0f,         -4.0f,  8388607.5f, -8388607.5f, 8388608.0f,    -8388609.0f,
        1e30f,        -1e30f, inf,        -inf,        std::nanf(""), 123456.789f,
    };
    for (float x : floats) {
        SCOPED_TRACE(x);
        expect_float_matches(x);
    }
    const std::vector<double> doubles = {
        0.0,
        -0.0,
        0.75,
        -0.75,
        3.0,
        -3.0,
        1e-300,
        -1e-300,
        -1e-17,
        4503599627370495.5,
        -4503599627370495.5,
        4503599627370496.0,
        1e300,
        -1e300,
        std::numeric_limits<double>::infinity(),
        std::nan(""),
        12345.6789,
    };
    for (double x : doubles) {
        SCOPED_TRACE(x);
        expect_same(frac(x), library_frac(x));
    }
}

// Every sign and exponent, with mantissas spread by a prime stride through all bit patterns.
TEST(Numeric, MatchesTheCLibraryAcrossTheWholeRange) {
    for (std::uint64_t u = 0; u <= 0xffffffffu; u += 65537u) {
        const float x = std::bit_cast<float>(static_cast<std::uint32_t>(u));
        SCOPED_TRACE(x);
        expect_float_matches(x);
        const double d = std::bit_cast<double>(u * 0x9e3779b97f4a7c15ull);
        expect_same(frac(d), library_frac(d));
        expect_same(frac(static_cast<double>(x)), library_frac(static_cast<double>(x)));
    }
}

// The output levels: the same as clamping the rounded value, for every sign and exponent.
TEST(Numeric, RoundToLevelIsTheClampedRound) {
    for (std::uint64_t u = 0; u <= 0xffffffffu; u += 4099u) {
        const float x = std::bit_cast<float>(static_cast<std::uint32_t>(u));
        for (float top : {127.0f, 255.0f, 16383.0f, 65535.0f}) {
            const auto want = static_cast<std::uint32_t>(clamp(std::round(x), 0.0f, top));
            ASSERT_EQ(round_to_level(x, top), want) << x << " to " << top;
        }
    }
    for (float x : {0.5f, 0.49999997f, 126.5f, 254.5f, 254.49998f, 65534.5f, 65535.0f, 1e9f}) {
        EXPECT_EQ(round_to_level(x, 65535.0f),
                  static_cast<std::uint32_t>(clamp(std::round(x), 0.0f, 65535.0f)))
            << x;
    }
}

TEST(Numeric, ClampSendsNaNToTheLowerBound) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(clamp(nan, -1.0f, 1.0f), -1.0f);
    EXPECT_EQ(at_least(nan, 0.0f), 0.0f);
    EXPECT_EQ(clamp(2.0f, -1.0f, 1.0f), 1.0f);
    EXPECT_EQ(clamp(-2.0f, -1.0f, 1.0f), -1.0f);
    EXPECT_EQ(clamp(0.3f, -1.0f, 1.0f), 0.3f);
}

}  // namespace
}  // namespace ondrix_engine::numeric
