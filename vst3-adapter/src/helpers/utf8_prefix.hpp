#pragma once

// Cutting a UTF-8 text to a byte budget without splitting a character.

#include <cstddef>
#include <string_view>

namespace Vst3Adapter::detail {

// `text` cut to at most `maxBytes` bytes, at the start of a character: the bytes of a character
// that does not fit whole are all dropped.
std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes);

}  // namespace Vst3Adapter::detail
