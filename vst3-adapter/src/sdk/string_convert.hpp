#pragma once

// Conversions between UTF-8 and the UTF-16 texts of the VST3 interfaces. Malformed input
// (a bad UTF-8 sequence, a lone surrogate) becomes U+FFFD; nothing throws.
// Threads: any; no state.

#include "pluginterfaces/vst/vsttypes.h"

#include <string>
#include <string_view>

namespace Steinberg::Vst::StringConvert {

std::u16string convert(std::string_view utf8);
std::string convert(std::u16string_view utf16);

// Writes `utf8` into `out` (room for `maxCharacters` units, terminator included), cut at the
// last whole character that fits. True when the whole text fitted; nothing is written when
// `out` is null or `maxCharacters` is 0.
bool convert(std::string_view utf8, TChar* out, uint32 maxCharacters);
inline bool convert(std::string_view utf8, String128 out) {
    return convert(utf8, out, 128);
}

// A terminated UTF-16 text as UTF-8, read up to the terminator or `max` units; null gives "".
std::string convert(const TChar* text);
std::string convert(const TChar* text, uint32 max);

}  // namespace Steinberg::Vst::StringConvert
