#include "json/messages.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace ondrix_engine::json::messages {

std::string_view syntax(Syntax code) {
    switch (code) {
        case Syntax::EofWhileParsingList:
            return "EOF while parsing a list";
        case Syntax::EofWhileParsingObject:
            return "EOF while parsing an object";
        case Syntax::EofWhileParsingString:
            return "EOF while parsing a string";
        case Syntax::EofWhileParsingValue:
            return "EOF while parsing a value";
        case Syntax::ExpectedColon:
            return "expected `:`";
        case Syntax::ExpectedListCommaOrEnd:
            return "expected `,` or `]`";
        case Syntax::ExpectedObjectCommaOrEnd:
            return "expected `,` or `}`";
        case Syntax::ExpectedSomeIdent:
            return "expected ident";
        case Syntax::ExpectedSomeValue:
            return "expected value";
        case Syntax::InvalidEscape:
            return "invalid escape";
        case Syntax::InvalidNumber:
            return "invalid number";
        case Syntax::NumberOutOfRange:
            return "number out of range";
        case Syntax::InvalidUnicodeCodePoint:
            return "invalid unicode code point";
        case Syntax::ControlCharacterWhileParsingString:
            return "control character (\\u0000-\\u001F) found while parsing a string";
        case Syntax::KeyMustBeAString:
            return "key must be a string";
        case Syntax::LoneLeadingSurrogateInHexEscape:
            return "lone leading surrogate in hex escape";
        case Syntax::TrailingComma:
            return "trailing comma";
        case Syntax::TrailingCharacters:
            return "trailing characters";
        case Syntax::UnexpectedEndOfHexEscape:
            return "unexpected end of hex escape";
        case Syntax::RecursionLimitExceeded:
            return "recursion limit exceeded";
    }
    return "invalid JSON";
}

namespace {

std::string backquoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '`';
    out += text;
    out += '`';
    return out;
}

template <class Integer>
std::string decimal(Integer value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

}  // namespace

std::string found_null() {
    return "null";
}
std::string found_bool(bool value) {
    return "boolean " + backquoted(value ? "true" : "false");
}
std::string found_unsigned(std::uint64_t value) {
    return "integer " + backquoted(decimal(value));
}
std::string found_signed(std::int64_t value) {
    return "integer " + backquoted(decimal(value));
}
std::string found_float(double value) {
    return "floating point " + backquoted(shortest_double(value));
}
std::string found_bytes() {
    return "byte array";
}
std::string found_sequence() {
    return "sequence";
}
std::string found_map() {
    return "map";
}

std::string found_string(std::string_view value) {
    return "string " + quoted(value);
}

std::string quoted(std::string_view value) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto escape_code = [](std::string& out, unsigned code) {
        out += "\\u{";
        if (code >= 0x10) out += kHex[code >> 4];
        out += kHex[code & 0xf];
        out += '}';
    };
    std::string out = "\"";
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char ch = value[i];
        const auto byte = static_cast<unsigned char>(ch);
        // U+0080 to U+009F, the second block of control characters, are C2 80 to C2 9F.
        if (byte == 0xc2 && i + 1 < value.size()) {
            const auto next = static_cast<unsigned char>(value[i + 1]);
            if (next >= 0x80 && next <= 0x9f) {
                escape_code(out, next);
                ++i;
                continue;
            }
        }
        switch (ch) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\0':
                out += "\\0";
                break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    escape_code(out, byte);
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
    return out;
}

std::string shortest_double(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // Shortest round-trip digits in scientific form, e.g. "-1.25e+02", then laid out again.
    std::array<char, 48> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific);
    const std::string_view text(buffer.data(),
                                static_cast<std::size_t>(result.ptr - buffer.data()));
    const std::size_t e = text.find('e');
    std::string_view mantissa = text.substr(0, e);
    std::string out;
    if (!mantissa.empty() && mantissa.front() == '-') {
        out += '-';
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (const char ch : mantissa) {
        if (ch != '.') digits += ch;
    }
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    const int n = static_cast<int>(digits.size());
    const int point = exponent + 1;  // digits before the decimal point
    if (point > 16 || point <= -5) {
        out += digits[0];
        if (n > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += exponent < 0 ? "e-" : "e+";
        out += decimal(std::abs(exponent));
    } else if (point >= n) {
        out += digits;
        out.append(static_cast<std::size_t>(point - n), '0');
        out += ".0";
    } else if (point > 0) {
        out.append(digits, 0, static_cast<std::size_t>(point));
        out += '.';
        out.append(digits, static_cast<std::size_t>(point));
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += digits;
    }
    return out;
}

std::string missing_field(std::string_view key) {
    return "missing field " + backquoted(key);
}
std::string duplicate_field(std::string_view key) {
    return "duplicate field " + backquoted(key);
}

std::string unknown_variant(std::string_view name, std::span<const std::string_view> expected) {
    std::string out = "unknown variant " + backquoted(name) + ", expected ";
    if (expected.empty()) {
        out += "nothing";
    } else if (expected.size() == 1) {
        out += backquoted(expected[0]);
    } else if (expected.size() == 2) {
        out += backquoted(expected[0]) + " or " + backquoted(expected[1]);
    } else {
        out += "one of ";
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (i > 0) out += ", ";
            out += backquoted(expected[i]);
        }
    }
    return out;
}

std::string invalid_length(std::size_t count, std::string_view expected) {
    return "invalid length " + decimal(count) + ", expected " + std::string(expected);
}

std::string invalid_type(std::string_view found, std::string_view expected) {
    return "invalid type: " + std::string(found) + ", expected " + std::string(expected);
}

std::string invalid_value(std::string_view found, std::string_view expected) {
    return "invalid value: " + std::string(found) + ", expected " + std::string(expected);
}

std::string elements_in_sequence(std::size_t count) {
    return decimal(count) + (count == 1 ? " element in sequence" : " elements in sequence");
}

std::string variant_index(std::size_t alternatives) {
    return "variant index 0 <= i < " + decimal(alternatives);
}

std::string position(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    std::size_t column = 0;
    const std::size_t end = offset < text.size() ? offset : text.size();
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 0;
        } else {
            ++column;
        }
    }
    return " at line " + decimal(line) + " column " + decimal(column);
}

}  // namespace ondrix_engine::json::messages
