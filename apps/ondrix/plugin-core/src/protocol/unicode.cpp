#include "protocol/unicode.hpp"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/uchar.h>

#include <cstdint>
#include <optional>

namespace ondrix_plugin_core::protocol {
namespace {

constexpr std::string_view replacement_character = "\xEF\xBF\xBD";

bool is_continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the code point at `pos` and moves `pos` past it. An ill-formed sequence gives nothing
// and `pos` moves past its maximal subpart (at least one byte), as the Unicode standard
// recommends for substitution.
std::optional<char32_t> decode(std::string_view bytes, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(bytes[pos++]);
    if (lead < 0x80) return lead;

    int trail = 0;
    char32_t code = 0;
    // Bounds of the first continuation byte; the others are always 80..BF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return std::nullopt;
    }

    for (int k = 0; k < trail; ++k) {
        if (pos >= bytes.size()) return std::nullopt;
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        const bool fits = k == 0 ? byte >= low && byte <= high : is_continuation(byte);
        if (!fits) return std::nullopt;
        code = (code << 6) | (byte & 0x3F);
        ++pos;
    }
    return code;
}

bool is_white_space(char32_t code) {
    return u_isUWhiteSpace(static_cast<UChar32>(code)) != 0;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
    return valid_utf8_prefix(bytes) == bytes.size();
}

std::size_t valid_utf8_prefix(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // Plain ASCII runs are by far the common case in patch files.
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        if (!decode(bytes, pos)) return start;
    }
    return pos;
}

std::string utf8_lossy(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t start = pos;
        if (decode(bytes, pos)) {
            text.append(bytes.substr(start, pos - start));
        } else {
            text.append(replacement_character);
        }
    }
    return text;
}

std::string_view trim_white_space(std::string_view text) {
    std::size_t begin = text.size();
    std::size_t end = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const auto code = decode(text, pos);
        if (code && is_white_space(*code)) continue;
        if (begin == text.size()) begin = start;
        end = pos;
    }
    if (begin == text.size()) return text.substr(text.size());
    return text.substr(begin, end - begin);
}

std::string to_lower(std::string_view text) {
    std::string lower;
    icu::StringByteSink<std::string> sink(&lower, static_cast<int32_t>(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    icu::CaseMap::utf8ToLower("", 0,
                              icu::StringPiece(text.data(), static_cast<int32_t>(text.size())),
                              sink, nullptr, status);
    // Case mapping only fails on memory exhaustion or text past 2 GiB; the text itself then
    // serves as its own sort key.
    if (U_FAILURE(status)) return std::string(text);
    return lower;
}

}  // namespace ondrix_plugin_core::protocol
