#pragma once

// UTF-8 text helpers for preset names and preset files: decoding, white space trimming and
// lowercasing by the Unicode character properties (the properties and case mapping come from ICU).
// Pure functions; any thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace ondrix_plugin_core::protocol {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

// The length of the longest well-formed UTF-8 start of `bytes`: the position of the first byte
// of the first ill-formed sequence, or the whole size.
std::size_t valid_utf8_prefix(std::string_view bytes);

// `bytes` as UTF-8 text, each ill-formed sequence (its maximal subpart) replaced by U+FFFD.
std::string utf8_lossy(std::string_view bytes);

// `text` without the Unicode white space (White_Space property) at both ends. Ill-formed bytes
// count as non-white-space and are kept.
std::string_view trim_white_space(std::string_view text);

// The full Unicode lowercase form of `text` (language-independent, final sigma included).
// `text` must be valid UTF-8.
std::string to_lower(std::string_view text);

}  // namespace ondrix_plugin_core::protocol
