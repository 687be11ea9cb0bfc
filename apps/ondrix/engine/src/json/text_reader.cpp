#include "json/text_reader.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "json/builders.hpp"

namespace ondrix_engine::json {

using messages::Syntax;

namespace {

bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// What a byte means inside a string: the quote, the backslash and control characters stop the
// plain run; bytes past ASCII ask for a UTF-8 check at the end.
constexpr std::uint8_t kPlain = 0;
constexpr std::uint8_t kStop = 1;
constexpr std::uint8_t kWide = 2;
constexpr std::array<std::uint8_t, 256> kStringByte = [] {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t c = 0; c < 0x20; ++c) table[c] = kStop;
    table['"'] = kStop;
    table['\\'] = kStop;
    for (std::size_t c = 0x80; c < 0x100; ++c) table[c] = kWide;
    return table;
}();
static_assert(kStringByte['a'] == kPlain);

// Powers of ten that doubles hold exactly.
constexpr std::array<double, 23> kExactPowers = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void append_utf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool valid_utf8(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            length = 2;
            code = b & 0x1F;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            code = b & 0x0F;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            code = b & 0x07;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + length > n) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            code = (code << 6) | (c & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace

float to_f32(double value) {
    // Past the midpoint between the largest float and 2^128 the nearest float is an infinity;
    // converting such a double directly is undefined.
    constexpr double kLimit = 0x1.ffffffp127;
    if (value >= kLimit) return std::numeric_limits<float>::infinity();
    if (value <= -kLimit) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

const Payload<Content>& TextReader::Buffer::finish() {
    payload.is_map = holder.kind == Content::Kind::Object;
    payload.entries.clear();
    payload.items.clear();
    if (payload.is_map) {
        payload.entries.reserve(holder.items.size());
        for (std::size_t i = 0; i < holder.items.size(); ++i) {
            payload.entries.emplace_back(holder.keys[i], &holder.items[i]);
        }
    } else {
        payload.items.reserve(holder.items.size());
        for (const Content& item : holder.items) payload.items.push_back(&item);
    }
    return payload;
}

std::string TextReader::error_message() const {
    const std::size_t at = failure_.at == Failure::kUnplaced ? index_ : failure_.at;
    return failure_.message + messages::position(text_, at);
}

bool TextReader::parse_ident(const char* rest) {
    for (; *rest != '\0'; ++rest) {
        const int c = next();
        if (c == kEof) return error(Syntax::EofWhileParsingValue);
        if (c != static_cast<unsigned char>(*rest)) return error(Syntax::ExpectedSomeIdent);
    }
    return true;
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

bool TextReader::decode_hex_escape(std::uint16_t& out) {
    if (text_.size() < index_ + 4) {
        index_ = text_.size();
        return error(Syntax::EofWhileParsingString);
    }
    unsigned value = 0;
    for (int k = 0; k < 4; ++k) {
        const int digit = hex_value(text_[index_]);
        ++index_;
        if (digit < 0) return error(Syntax::InvalidEscape);
        value = (value << 4) | static_cast<unsigned>(digit);
    }
    out = static_cast<std::uint16_t>(value);
    return true;
}

bool TextReader::parse_unicode_escape() {
    std::uint16_t first = 0;
    if (!decode_hex_escape(first)) return false;
    if (first >= 0xDC00 && first <= 0xDFFF) return error(Syntax::LoneLeadingSurrogateInHexEscape);
    if (first < 0xD800 || first > 0xDBFF) {
        append_utf8(scratch_, first);
        return true;
    }
    // A leading surrogate wants "\u" and a trailing one right after it.
    for (const char expected : {'\\', 'u'}) {
        const int c = peek();
        if (c == kEof) return error(Syntax::EofWhileParsingString);
        eat();
        if (c != expected) return error(Syntax::UnexpectedEndOfHexEscape);
    }
    std::uint16_t second = 0;
    if (!decode_hex_escape(second)) return false;
    if (second < 0xDC00 || second > 0xDFFF) return error(Syntax::LoneLeadingSurrogateInHexEscape);
    const std::uint32_t code =
        ((static_cast<std::uint32_t>(first - 0xD800) << 10) | (second - 0xDC00u)) + 0x10000u;
    append_utf8(scratch_, code);
    return true;
}

bool TextReader::parse_escape() {
    const int c = next();
    switch (c) {
        case kEof:
            return error(Syntax::EofWhileParsingString);
        case '"':
            scratch_ += '"';
            break;
        case '\\':
            scratch_ += '\\';
            break;
        case '/':
            scratch_ += '/';
            break;
        case 'b':
            scratch_ += '\b';
            break;
        case 'f':
            scratch_ += '\f';
            break;
        case 'n':
            scratch_ += '\n';
            break;
        case 'r':
            scratch_ += '\r';
            break;
        case 't':
            scratch_ += '\t';
            break;
        case 'u':
            return parse_unicode_escape();
        default:
            return error(Syntax::InvalidEscape);
    }
    return true;
}

// After the opening quote. The result is a view of the text when the string holds no escape,
// else of the scratch buffer; either is valid until the next string is read.
bool TextReader::parse_string(std::string_view& out) {
    scratch_.clear();
    bool escaped = false;
    bool ascii = true;  // only strings with other bytes need a UTF-8 check
    std::size_t start = index_;
    for (;;) {
        const char* const bytes = text_.data();
        const std::size_t size = text_.size();
        std::size_t i = index_;
        while (i < size) {
            const auto kind = kStringByte[static_cast<unsigned char>(bytes[i])];
            if (kind == kStop) break;
            if (kind == kWide) ascii = false;
            ++i;
        }
        index_ = i;
        if (index_ == text_.size()) return error(Syntax::EofWhileParsingString);
        const char c = text_[index_];
        if (c == '"') {
            if (escaped) {
                scratch_.append(text_.substr(start, index_ - start));
                out = scratch_;
            } else {
                out = text_.substr(start, index_ - start);
            }
            ++index_;
            if (!ascii && !valid_utf8(out)) return error(Syntax::InvalidUnicodeCodePoint);
            return true;
        }
        if (c == '\\') {
            scratch_.append(text_.substr(start, index_ - start));
            escaped = true;
            ++index_;
            if (!parse_escape()) return false;
            start = index_;
            continue;
        }
        ++index_;
        return error(Syntax::ControlCharacterWhileParsingString);
    }
}

bool TextReader::parse_object_colon() {
    const int c = skip_whitespace();
    if (c == ':') {
        eat();
        return true;
    }
    return peek_error(c == kEof ? Syntax::EofWhileParsingObject : Syntax::ExpectedColon);
}

bool TextReader::peek_invalid_type(std::string_view expected) {
    std::string found;
    const int c = peek();
    switch (c) {
        case 'n':
            eat();
            if (!parse_ident("ull")) return false;
            found = messages::found_null();
            break;
        case 't':
        case 'f':
            eat();
            if (!parse_ident(c == 't' ? "rue" : "alse")) return false;
            found = messages::found_bool(c == 't');
            break;
        case '"': {
            eat();
            std::string_view text;
            if (!parse_string(text)) return false;
            found = messages::found_string(text);
            break;
        }
        case '[':
            found = messages::found_sequence();
            break;
        case '{':
            found = messages::found_map();
            break;
        default: {
            if (c != '-' && !is_digit(c)) return peek_error(Syntax::ExpectedSomeValue);
            if (c == '-') eat();
            Number number;
            if (!parse_number(c != '-', number)) return false;
            found = number.found();
        }
    }
    failure_.fail(messages::invalid_type(found, expected));
    return fix();
}

bool TextReader::read_bool(bool& out) {
    const int c = skip_whitespace();
    if (c == kEof) return peek_error(Syntax::EofWhileParsingValue);
    if (c == 't' || c == 'f') {
        eat();
        if (!parse_ident(c == 't' ? "rue" : "alse")) return false;
        out = c == 't';
        return true;
    }
    return peek_invalid_type("a boolean");
}

bool TextReader::read_number(Number& out, std::string_view expected) {
    const int c = skip_whitespace();
    if (c == kEof) return peek_error(Syntax::EofWhileParsingValue);
    if (c == '-') {
        eat();
        return parse_number(false, out);
    }
    if (is_digit(c)) return parse_number(true, out);
    return peek_invalid_type(expected);
}

bool TextReader::read_f32(float& out) {
    Number number;
    if (!read_number(number, "f32")) return false;
    out = to_f32(number);
    return true;
}

bool TextReader::read_unsigned(std::uint64_t& out, std::uint64_t max, std::string_view expected) {
    Number number;
    if (!read_number(number, expected)) return false;
    return to_unsigned(failure_, number, max, expected, out) || fix();
}

bool TextReader::read_identifier(const Variants& variants, std::size_t& alternative) {
    const int c = skip_whitespace();
    if (c == kEof) return peek_error(Syntax::EofWhileParsingValue);
    if (c != '"') return peek_invalid_type("variant identifier");
    eat();
    std::string_view name;
    if (!parse_string(name)) return false;
    return variants.lookup(failure_, name, alternative) || fix();
}

bool TextReader::read_unit_enum(const Variants& variants, std::size_t& alternative) {
    const int c = skip_whitespace();
    if (c == '"') return read_identifier(variants, alternative);
    if (c != '{') {
        return peek_error(c == kEof ? Syntax::EofWhileParsingValue : Syntax::ExpectedSomeValue);
    }
    // {"name": null}
    if (!enter()) return false;
    eat();
    if (!read_identifier(variants, alternative) || !parse_object_colon()) return false;
    const int u = skip_whitespace();
    if (u == kEof) return peek_error(Syntax::EofWhileParsingValue);
    if (u != 'n') return peek_invalid_type("unit");
    eat();
    if (!parse_ident("ull")) return false;
    leave();
    const int close = skip_whitespace();
    if (close == '}') {
        eat();
        return true;
    }
    return error(close == kEof ? Syntax::EofWhileParsingObject : Syntax::ExpectedSomeValue);
}

bool TextReader::skip() {
    builders::Skip builder;
    return read_any(builder, builder.slot);
}

bool TextReader::buffer(Content& out) {
    builders::Buffer builder;
    return read_any(builder, out);
}

bool TextReader::end_seq() {
    const int c = skip_whitespace();
    if (c == ']') {
        eat();
        return true;
    }
    if (c == ',') {
        eat();
        return peek_error(skip_whitespace() == ']' ? Syntax::TrailingComma
                                                   : Syntax::TrailingCharacters);
    }
    return peek_error(c == kEof ? Syntax::EofWhileParsingList : Syntax::TrailingCharacters);
}

bool TextReader::end_map() {
    const int c = skip_whitespace();
    if (c == '}') {
        eat();
        return true;
    }
    if (c == ',') return peek_error(Syntax::TrailingComma);
    return peek_error(c == kEof ? Syntax::EofWhileParsingObject : Syntax::TrailingCharacters);
}

bool TextReader::end() {
    if (skip_whitespace() != kEof) return peek_error(Syntax::TrailingCharacters);
    return true;
}

bool TextReader::Map::next_key(std::string_view& key, bool& done) {
    done = false;
    int c = reader_.skip_whitespace();
    if (c == '}') {
        done = true;
        return true;
    }
    if (c == ',' && !first_) {
        reader_.eat();
        c = reader_.skip_whitespace();
    } else if (c == kEof) {
        return reader_.peek_error(Syntax::EofWhileParsingObject);
    } else if (first_) {
        first_ = false;
    } else {
        return reader_.peek_error(Syntax::ExpectedObjectCommaOrEnd);
    }
    switch (c) {
        case '"':
            reader_.eat();
            return reader_.parse_string(key);
        case '}':
            return reader_.peek_error(Syntax::TrailingComma);
        case kEof:
            return reader_.peek_error(Syntax::EofWhileParsingValue);
        default:
            return reader_.peek_error(Syntax::KeyMustBeAString);
    }
}

bool TextReader::Map::buffer_value(std::string_view key, Buffer& buffer) {
    buffer.holder.keys.emplace_back(key);
    Content& slot = buffer.holder.items.emplace_back();
    return reader_.parse_object_colon() && reader_.buffer(slot);
}

bool TextReader::Seq::advance(bool& got) {
    got = false;
    int c = reader_.skip_whitespace();
    if (c == ']') return true;
    if (c == ',' && !first_) {
        reader_.eat();
        c = reader_.skip_whitespace();
    } else if (c == kEof) {
        return reader_.peek_error(Syntax::EofWhileParsingList);
    } else if (first_) {
        first_ = false;
    } else {
        return reader_.peek_error(Syntax::ExpectedListCommaOrEnd);
    }
    if (c == ']') return reader_.peek_error(Syntax::TrailingComma);
    if (c == kEof) return reader_.peek_error(Syntax::EofWhileParsingValue);
    got = true;
    return true;
}

bool TextReader::Seq::buffer_rest(Buffer& buffer) {
    for (;;) {
        bool got = false;
        if (!advance(got)) return false;
        if (!got) return true;
        if (!reader_.buffer(buffer.holder.items.emplace_back())) return false;
    }
}

}  // namespace ondrix_engine::json
