#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/text_reader.hpp"

// Strings in JSON text: escapes, surrogate pairs and the UTF-8 check.
namespace ondrix_engine::json {

using messages::Syntax;

namespace {

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

}  // namespace ondrix_engine::json
