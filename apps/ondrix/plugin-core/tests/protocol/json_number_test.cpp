// Numbers in replies are written exactly as the JSON library writes them in every other text the
// plug-in makes; the page and stored replies rely on the same value giving the same text.
#include "protocol/json_number.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include <nlohmann/json.hpp>

namespace ondrix_plugin_core::protocol {
namespace {

std::string written(double value) {
    // Filled beyond the text, to see that the length returned is the text's.
    std::string text(MAX_NUMBER_TEXT, '#');
    text.resize(write_number(text.data(), value));
    return text;
}

std::string library_text(double value) {
    return nlohmann::json(value).dump();
}

TEST(JsonNumber, WritesTheLibrarysText) {
    using limits = std::numeric_limits<double>;
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {1.0, "1.0"},
        {-1.0, "-1.0"},
        {0.5, "0.5"},
        {100.0, "100.0"},
        // Floats widened to doubles, as live values are.
        {0.1f, "0.10000000149011612"},
        {-0.3f, "-0.30000001192092896"},
        {0.99999994f, "0.9999999403953552"},
        {1e-7f, "1.0000000116860974e-07"},
        {1e-4f, "9.999999747378752e-05"},
        {16777216.0f, "16777216.0"},
        {std::numeric_limits<float>::max(), "3.4028234663852886e+38"},
        {std::numeric_limits<float>::min(), "1.1754943508222875e-38"},
        {std::numeric_limits<float>::denorm_min(), "1.401298464324817e-45"},
        // The library's digits where the shortest closest ones end in ...233e-42.
        {std::bit_cast<float>(std::uint32_t{0x671}), "2.3107411676716234e-42"},
        // Plain decimals from 1e-4 up to 15 integral digits, exponents outside.
        {1e-7, "1e-07"},
        {0.0001, "0.0001"},
        {0.00012345, "0.00012345"},
        {123456789012345.0, "123456789012345.0"},
        {1e15, "1e+15"},
        {1234567890123456.7, "1.2345678901234567e+15"},
        {limits::max(), "1.7976931348623157e+308"},
        {-limits::min(), "-2.2250738585072014e-308"},
        {limits::denorm_min(), "5e-324"},
        {3 * limits::denorm_min(), "1.5e-323"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(written(c.value), c.text);
        EXPECT_EQ(library_text(c.value), c.text);
    }
}

TEST(JsonNumber, AgreesWithTheLibraryAcrossFloatsAndDoubles) {
    // Every float exponent and sign, with a spread of significands and the ends of each range
    // (a power of two has a narrower interval below it).
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 7919) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        if (!std::isfinite(value)) continue;
        ASSERT_EQ(written(value), library_text(value)) << "float bits " << bits;
    }
    for (std::uint32_t exponent = 0; exponent < 0x1FF; ++exponent) {
        for (const std::uint32_t fraction : {0u, 1u, 0x7FFFFFu}) {
            const float value = std::bit_cast<float>(exponent << 23 | fraction);
            if (!std::isfinite(value)) continue;
            ASSERT_EQ(written(value), library_text(value)) << "float " << value;
        }
    }
    // Doubles: every power of two, then any bits.
    for (int exponent = -1074; exponent <= 1023; ++exponent) {
        ASSERT_EQ(written(std::ldexp(1.0, exponent)), library_text(std::ldexp(1.0, exponent)))
            << "2^" << exponent;
    }
    std::mt19937_64 random(24);
    for (int i = 0; i < 200000; ++i) {
        const double value = std::bit_cast<double>(random());
        if (!std::isfinite(value)) continue;
        ASSERT_EQ(written(value), library_text(value))
            << "double bits " << std::bit_cast<std::uint64_t>(value);
    }
}

}  // namespace
}  // namespace ondrix_plugin_core::protocol
