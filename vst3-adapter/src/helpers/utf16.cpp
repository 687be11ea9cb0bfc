#include "helpers/utf16.hpp"

namespace Vst3Adapter::detail {

namespace {

// The code point of the sequence at `in`, advancing `in`; -1 for a lead byte that starts
// nothing, a lead byte not followed by its continuation bytes (the terminator included), a
// longer sequence than its code point needs, or a surrogate.
long decode(const unsigned char*& in) {
    const unsigned lead = *in;
    int following = 0;
    long code = 0;
    long lowest = 0;
    if (lead < 0x80) {
        following = 0, code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        following = 1, code = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        following = 2, code = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        following = 3, code = lead & 0x07, lowest = 0x10000;
    } else {
        return -1;
    }
    for (int i = 1; i <= following; ++i) {
        if ((in[i] & 0xC0) != 0x80) {
            return -1;
        }
        code = (code << 6) | (in[i] & 0x3F);
    }
    if (code < lowest || (code >= 0xD800 && code <= 0xDFFF)) {
        return -1;
    }
    in += following + 1;
    return code;
}

template <typename Unit>
void convert(const char* text, Unit* out, std::size_t count) {
    if (out == nullptr || count == 0) {
        return;
    }
    std::size_t written = 0;
    // Room for a character is every unit but the terminator's.
    const std::size_t room = count - 1;
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    while (in != nullptr && *in != 0 && written + 1 < room) {
        const long code = decode(in);
        if (code < 0) {
            break;
        }
        if (code > 0xFFFF) {
            if (code > 0x10FFFF || written + 2 >= room) {
                break;
            }
            out[written++] = static_cast<Unit>(0xD800 + ((code - 0x10000) >> 10));
            out[written++] = static_cast<Unit>(0xDC00 + (code & 0x3FF));
        } else {
            out[written++] = static_cast<Unit>(code);
        }
    }
    out[written] = 0;
}

}  // namespace

void utf8_to_utf16l(const char* in, std::uint16_t* out, std::size_t count) {
    convert(in, out, count);
}

void utf8_to_utf16l(const char* in, char16_t* out, std::size_t count) {
    convert(in, out, count);
}

}  // namespace Vst3Adapter::detail
