#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "json/text_reader.hpp"

// Numbers in JSON text: integers that fit 64 bits stay integers, everything else becomes the
// nearest double.
namespace ondrix_engine::json {

using messages::Syntax;

namespace {

// Powers of ten that doubles hold exactly.
constexpr std::array<double, 23> kExactPowers = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

}  // namespace

float to_f32(double value) {
    // Past the midpoint between the largest float and 2^128 the nearest float is an infinity;
    // converting such a double directly is undefined.
    constexpr double kLimit = 0x1.ffffffp127;
    if (value >= kLimit) return std::numeric_limits<float>::infinity();
    if (value <= -kLimit) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// After the sign: digits, an optional fraction and an optional exponent. Integers stay integers
// while they fit 64 bits; everything else becomes the nearest double.
bool TextReader::parse_number(bool positive, Number& out) {
    const std::size_t start = positive ? index_ : index_ - 1;
    const int first = next();
    if (first == kEof) return error(Syntax::EofWhileParsingValue);
    std::uint64_t significand = 0;
    bool overflow = false;
    if (first == '0') {
        if (is_digit(peek())) return peek_error(Syntax::InvalidNumber);
    } else if (is_digit(first)) {
        significand = static_cast<std::uint64_t>(first - '0');
        while (is_digit(peek())) {
            const auto digit = static_cast<std::uint64_t>(peek() - '0');
            if (!overflow &&
                significand > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
                overflow = true;
            }
            if (!overflow) significand = significand * 10 + digit;
            eat();
        }
    } else {
        return error(Syntax::InvalidNumber);
    }
    const int c = peek();
    if (c != '.' && c != 'e' && c != 'E' && !overflow) {
        if (positive) {
            out.kind = Number::Kind::Unsigned;
            out.unsigned_value = significand;
        } else {
            const auto negated = static_cast<std::int64_t>(0 - significand);
            if (negated >= 0) {  // -0, or below the signed range
                out.kind = Number::Kind::Float;
                out.float_value = -static_cast<double>(significand);
            } else {
                out.kind = Number::Kind::Signed;
                out.signed_value = negated;
            }
        }
        return true;
    }
    return parse_float(start, out);
}

bool TextReader::parse_float(std::size_t start, Number& out) {
    // The significand's digits as an integer while 15 of them at most matter, and the power of
    // ten to scale it by: such numbers convert exactly with one multiplication or division.
    std::uint64_t digits = 0;
    int significant = 0;
    long long scale = 0;
    const auto take = [&](char ch, bool fraction) {
        if (digits == 0 && ch == '0') {
            if (fraction) --scale;
            return;
        }
        if (significant < 19) {
            digits = digits * 10 + static_cast<std::uint64_t>(ch - '0');
            ++significant;
            if (fraction) --scale;
        } else {
            significant = 99;  // too many digits for the short way
        }
    };
    for (std::size_t i = start; i < index_; ++i) {
        if (text_[i] != '-') take(text_[i], false);
    }
    if (peek() == '.') {
        eat();
        if (!is_digit(peek())) {
            return peek_error(peek() == kEof ? Syntax::EofWhileParsingValue
                                             : Syntax::InvalidNumber);
        }
        while (is_digit(peek())) {
            take(static_cast<char>(peek()), true);
            eat();
        }
    }
    const bool zero = digits == 0;  // every digit of the significand is 0
    if (peek() == 'e' || peek() == 'E') {
        eat();
        bool positive_exponent = true;
        if (peek() == '+' || peek() == '-') {
            positive_exponent = peek() == '+';
            eat();
        }
        const int first = next();
        if (first == kEof) return error(Syntax::EofWhileParsingValue);
        if (!is_digit(first)) return error(Syntax::InvalidNumber);
        std::int64_t exponent = first - '0';
        while (is_digit(peek())) {
            const int digit = peek() - '0';
            if (exponent > (std::numeric_limits<std::int32_t>::max() - digit) / 10) {
                // An exponent past 32 bits: an infinity is refused, anything else is zero.
                if (!zero && positive_exponent) return error(Syntax::NumberOutOfRange);
                while (is_digit(peek())) eat();
                out.kind = Number::Kind::Float;
                out.float_value = text_[start] == '-' ? -0.0 : 0.0;
                return true;
            }
            exponent = exponent * 10 + digit;
            eat();
        }
        scale += positive_exponent ? exponent : -exponent;
    }
    const bool negative = text_[start] == '-';
    if (significant <= 15 && scale >= -22 && scale <= 22) {
        const double magnitude = static_cast<double>(digits);
        const double power = kExactPowers[static_cast<std::size_t>(scale < 0 ? -scale : scale)];
        const double value = scale < 0 ? magnitude / power : magnitude * power;
        out.kind = Number::Kind::Float;
        out.float_value = negative ? -value : value;
        return true;
    }
    double value = 0.0;
    const char* begin = text_.data() + start;
    const char* end = text_.data() + index_;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: tell which by the decimal exponent.
        const std::string_view literal(begin, static_cast<std::size_t>(end - begin));
        const std::size_t e = literal.find_first_of("eE");
        long long exp = 0;
        std::size_t lead = 0;  // digits before the point, leading zeros dropped
        bool seen_nonzero = false;
        long long fraction_zeros = 0;
        bool in_fraction = false;
        for (std::size_t i = 0; i < (e == std::string_view::npos ? literal.size() : e); ++i) {
            const char ch = literal[i];
            if (ch == '.') {
                in_fraction = true;
            } else if (ch >= '0' && ch <= '9') {
                if (ch != '0') seen_nonzero = true;
                if (!in_fraction && seen_nonzero) ++lead;
                if (in_fraction && !seen_nonzero) ++fraction_zeros;
            }
        }
        if (e != std::string_view::npos) {
            std::from_chars(literal.data() + e + 1 + (literal[e + 1] == '+' ? 1 : 0),
                            literal.data() + literal.size(), exp);
        }
        const long long scale = (lead > 0 ? static_cast<long long>(lead) : -fraction_zeros) + exp;
        if (scale > 0) return error(Syntax::NumberOutOfRange);
        value = text_[start] == '-' ? -0.0 : 0.0;
    } else if (std::isinf(value)) {
        return error(Syntax::NumberOutOfRange);
    }
    out.kind = Number::Kind::Float;
    out.float_value = value;
    return true;
}

}  // namespace ondrix_engine::json
