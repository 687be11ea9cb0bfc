#include "sdk/string_convert.hpp"

#include <algorithm>
#include <cstdint>

namespace Steinberg::Vst::StringConvert {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool is_continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the code point at `text[at]` and advances `at`. A malformed sequence yields U+FFFD and
// consumes only its lead byte and the continuation bytes that were valid so far.
char32_t decode_utf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) {
        return lead;
    }
    int length = 0;
    char32_t code = 0;
    char32_t lowest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 1, code = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2, code = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3, code = lead & 0x07, lowest = 0x10000;
    } else {
        return replacement;
    }
    for (int i = 0; i < length; ++i) {
        if (at >= text.size() || !is_continuation(static_cast<unsigned char>(text[at]))) {
            return replacement;
        }
        code = (code << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return replacement;
    }
    return code;
}

void append_utf16(std::u16string& out, char32_t code) {
    if (code >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<char16_t>(code);
    }
}

void append_utf8(std::string& out, char32_t code) {
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

}  // namespace

std::u16string convert(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        append_utf16(out, decode_utf8(utf8, at));
    }
    return out;
}

std::string convert(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t at = 0; at < utf16.size(); ++at) {
        const char32_t unit = utf16[at];
        char32_t code = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < utf16.size() && utf16[at + 1] >= 0xDC00 &&
            utf16[at + 1] <= 0xDFFF) {
            code = 0x10000 + ((unit - 0xD800) << 10) + (utf16[++at] - 0xDC00);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            code = replacement;
        }
        append_utf8(out, code);
    }
    return out;
}

bool convert(std::string_view utf8, TChar* out, uint32 maxCharacters) {
    if (out == nullptr || maxCharacters == 0) {
        return false;
    }
    const std::u16string wide = convert(utf8);
    std::size_t length = std::min<std::size_t>(wide.size(), maxCharacters - 1);
    if (length > 0 && length < wide.size() && wide[length - 1] >= 0xD800 &&
        wide[length - 1] <= 0xDBFF) {
        --length;  // never leave half of a surrogate pair
    }
    std::copy_n(wide.begin(), length, out);
    out[length] = 0;
    return length == wide.size();
}

std::string convert(const TChar* text) {
    return text == nullptr ? std::string() : convert(std::u16string_view(text));
}

std::string convert(const TChar* text, uint32 max) {
    if (text == nullptr) {
        return {};
    }
    std::size_t length = 0;
    while (length < max && text[length] != 0) {
        ++length;
    }
    return convert(std::u16string_view(text, length));
}

}  // namespace Steinberg::Vst::StringConvert
