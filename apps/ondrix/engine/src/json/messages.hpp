#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The wording of every reading error, composed in one place.
namespace ondrix_engine::json::messages {

// Malformed JSON text.
enum class Syntax : std::uint8_t {
    EofWhileParsingList,
    EofWhileParsingObject,
    EofWhileParsingString,
    EofWhileParsingValue,
    ExpectedColon,
    ExpectedListCommaOrEnd,
    ExpectedObjectCommaOrEnd,
    ExpectedSomeIdent,
    ExpectedSomeValue,
    InvalidEscape,
    InvalidNumber,
    NumberOutOfRange,
    InvalidUnicodeCodePoint,
    ControlCharacterWhileParsingString,
    KeyMustBeAString,
    LoneLeadingSurrogateInHexEscape,
    TrailingComma,
    TrailingCharacters,
    UnexpectedEndOfHexEscape,
    RecursionLimitExceeded,
};
std::string_view syntax(Syntax code);

// What was found, as the type and value errors name it.
std::string found_null();
std::string found_bool(bool value);
std::string found_unsigned(std::uint64_t value);
std::string found_signed(std::int64_t value);
std::string found_float(double value);
std::string found_string(std::string_view value);
std::string found_bytes();
std::string found_sequence();
std::string found_map();

// A string in double quotes, with quotes, backslashes and control characters escaped, as the
// found-text of a string shows it.
std::string quoted(std::string_view value);

// The shortest decimal form that reads back as the same double, always with a fraction or an
// exponent: 3.0, 1.5, -0.0, 1e+16.
std::string shortest_double(double value);

std::string missing_field(std::string_view key);
std::string duplicate_field(std::string_view key);
std::string unknown_variant(std::string_view name, std::span<const std::string_view> expected);
std::string invalid_length(std::size_t count, std::string_view expected);
std::string invalid_type(std::string_view found, std::string_view expected);
std::string invalid_value(std::string_view found, std::string_view expected);

// "1 element in sequence", "2 elements in sequence".
std::string elements_in_sequence(std::size_t count);
// "variant index 0 <= i < 2".
std::string variant_index(std::size_t alternatives);

// " at line 3 column 7", counted in bytes over text[0, offset).
std::string position(std::string_view text, std::size_t offset);

}  // namespace ondrix_engine::json::messages
