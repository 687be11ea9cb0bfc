#include "protocol/json_number.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <nlohmann/json.hpp>

namespace ondrix_plugin_core::protocol {
namespace {

// The JSON library's own conversion: its Grisu2 digits are not always the shortest or the
// closest (for 0.7% of floats they differ from Dragonbox's), so the text can only stay the same
// by making the same digits. What follows does that library's steps with cheaper arithmetic, and
// hands the rare case it does not speed up back to the library.
namespace dtoa = nlohmann::detail::dtoa_impl;

constexpr int SIGNIFICAND_BITS = 52;
constexpr int EXPONENT_BIAS = 1075;
constexpr std::uint64_t HIDDEN_BIT = std::uint64_t{1} << SIGNIFICAND_BITS;
// Where the library writes "1e-05" and "1e+16" rather than plain decimals.
constexpr int PLAIN_FROM = -4;
constexpr int PLAIN_TO = 15;
// More than the 17 digits a double may need.
constexpr int DIGITS_ROOM = 20;

// The upper 64 bits of the 128-bit product, rounded half up: the library's DiyFp product.
std::uint64_t multiply(std::uint64_t a, std::uint64_t b) {
    const unsigned __int128 product =
        static_cast<unsigned __int128>(a) * b + (std::uint64_t{1} << 63);
    return static_cast<std::uint64_t>(product >> 64);
}

constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The decimal digits of `n` (> 0) at `out`; returns how many.
int write_digits(char* out, std::uint32_t n) {
    constexpr std::uint32_t POWERS[] = {1,      10,      100,      1000,      10000,
                                        100000, 1000000, 10000000, 100000000, 1000000000};
    const int bits = 32 - std::countl_zero(n);
    const int below = (bits * 1233) >> 12;  // floor(log10(2^bits))
    const int count = below + (n >= POWERS[below] ? 1 : 0);
    char* at = out + count;
    while (n >= 100) {
        const std::uint32_t rest = n % 100;
        n /= 100;
        at -= 2;
        std::memcpy(at, DIGIT_PAIRS + 2 * rest, 2);
    }
    if (n >= 10) {
        std::memcpy(at - 2, DIGIT_PAIRS + 2 * n, 2);
    } else {
        at[-1] = static_cast<char>('0' + n);
    }
    return count;
}

// The library's Grisu2 digits of positive finite `value`: `out` gets them, the result is their
// count, and `exponent` says value = digits * 10^exponent.
int grisu2(char* out, double value, int& exponent) {
    // The value and the bounds of its rounding interval, normalised to a common exponent.
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t biased = bits >> SIGNIFICAND_BITS;
    const std::uint64_t fraction = bits & (HIDDEN_BIT - 1);
    const std::uint64_t f = biased == 0 ? fraction : fraction + HIDDEN_BIT;
    const int e = biased == 0 ? 1 - EXPONENT_BIAS : static_cast<int>(biased) - EXPONENT_BIAS;
    const std::uint64_t upper = 2 * f + 1;
    const int upper_shift = std::countl_zero(upper);
    const int common = e - 1 - upper_shift;
    // Just above a power of two the interval below is half as wide.
    const bool lower_closer = fraction == 0 && biased > 1;
    const std::uint64_t lower =
        lower_closer ? (4 * f - 1) << (e - 2 - common) : (2 * f - 1) << (e - 1 - common);

    // Scaled by a cached power of ten into the range where the integral part fits 32 bits.
    const dtoa::cached_power cached = dtoa::get_cached_power_for_binary_exponent(common);
    const int scaled = common + cached.e + 64;
    const std::uint64_t w = multiply(f << std::countl_zero(f), cached.f);
    const std::uint64_t low = multiply(lower, cached.f) + 1;
    const std::uint64_t high = multiply(upper << upper_shift, cached.f) - 1;
    exponent = -cached.k;

    const int shift = -scaled;
    const std::uint64_t one = std::uint64_t{1} << shift;
    std::uint64_t delta = high - low;
    std::uint64_t dist = high - w;
    std::uint64_t fractional = high & (one - 1);
    int length = 0;
    if (fractional <= delta) {
        // The digits may end inside the integral part: the library's loop finds where.
        dtoa::grisu2_digit_gen(out, length, exponent, dtoa::diyfp(low, scaled),
                               dtoa::diyfp(w, scaled), dtoa::diyfp(high, scaled));
        return length;
    }
    // Otherwise every integral digit is kept, and fractional digits follow until the rest fits
    // in the interval.
    length = write_digits(out, static_cast<std::uint32_t>(high >> shift));
    int more = 0;
    do {
        fractional *= 10;
        out[length++] = static_cast<char>('0' + (fractional >> shift));
        fractional &= one - 1;
        ++more;
        delta *= 10;
        dist *= 10;
    } while (fractional > delta);
    exponent -= more;
    dtoa::grisu2_round(out, length, dist, delta, fractional, one);
    return length;
}

// Lays out `count` digits (value = digits * 10^exponent) the way the library does, at `out`,
// which has room for the fixed-size copies below; returns the end.
char* lay_out(char* out, const char* digits, int count, int exponent) {
    // Copies and fills are of fixed sizes, longer than needed, into room that allows them; the
    // text ends where the layout says.
    const int point = count + exponent;
    if (count <= point && point <= PLAIN_TO) {
        // digits[000].0
        std::memcpy(out, digits, DIGITS_ROOM);
        std::memset(out + count, '0', PLAIN_TO);
        out[point] = '.';
        out[point + 1] = '0';
        return out + point + 2;
    }
    if (0 < point && point <= PLAIN_TO) {
        // dig.its
        std::memcpy(out, digits, PLAIN_TO + 1);
        out[point] = '.';
        std::memcpy(out + point + 1, digits + point, DIGITS_ROOM);
        return out + count + 1;
    }
    if (PLAIN_FROM < point && point <= 0) {
        // 0.[000]digits
        out[0] = '0';
        out[1] = '.';
        std::memset(out + 2, '0', -PLAIN_FROM);
        std::memcpy(out + 2 - point, digits, DIGITS_ROOM);
        return out + 2 - point + count;
    }
    // d.igitse+123
    out[0] = digits[0];
    char* at = out + 1;
    if (count > 1) {
        *at++ = '.';
        std::memcpy(at, digits + 1, DIGITS_ROOM);
        at += count - 1;
    }
    *at++ = 'e';
    return dtoa::append_exponent(at, point - 1);
}

}  // namespace

std::size_t write_number(char* out, double value) {
    // Longer than any text, for the fixed-size copies of lay_out.
    std::array<char, 64> text;
    char* at = text.data();
    if (std::signbit(value)) {
        *at++ = '-';
        value = -value;
    }
    if (value == 0.0) {
        std::memcpy(at, "0.0", 3);
        at += 3;
    } else {
        std::array<char, DIGITS_ROOM + PLAIN_TO + 1> digits;
        int exponent = 0;
        const int count = grisu2(digits.data(), value, exponent);
        at = lay_out(at, digits.data(), count, exponent);
    }
    std::memcpy(out, text.data(), MAX_NUMBER_TEXT);
    return static_cast<std::size_t>(at - text.data());
}

}  // namespace ondrix_plugin_core::protocol
