#pragma once

// The bounded UTF-8 to UTF-16 conversion for every text handed to a VST3 host.

#include <cstddef>
#include <cstdint>

namespace Vst3Adapter::detail {

// Converts `in` into `out`, which holds `count` units, and always terminates it when there is
// room at all. Stops, keeping what came before, at the end of `in`, at a malformed or truncated
// sequence, at a surrogate code point or one above U+10FFFF, and when the next character would
// leave no room for the terminator (a surrogate pair needs three units of room; counts 1 and 2
// give the empty text). Nothing is written when `out` is null or `count` is 0; a null `in` gives
// the empty text.
void utf8_to_utf16l(const char* in, std::uint16_t* out, std::size_t count);
void utf8_to_utf16l(const char* in, char16_t* out, std::size_t count);

}  // namespace Vst3Adapter::detail
