#pragma once

#include <cstddef>

namespace ondrix_plugin_core {

// The largest JSON text the plug-in takes in: a state document from the host, a message from the
// editor page, a preset file. Anything longer is refused before it is parsed, so a hostile
// project or preset cannot make the plug-in build a tree many times its size.
inline constexpr std::size_t MAX_DOCUMENT_BYTES = std::size_t{4} * 1024 * 1024;

}  // namespace ondrix_plugin_core
