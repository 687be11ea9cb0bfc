#pragma once

#include <cstddef>
#include <string_view>

namespace ondrix_plugin_core {

// The largest JSON text the plug-in takes in: a state document from the host, a message from the
// editor page, a preset file. Anything longer is refused before it is parsed, so a hostile
// project or preset cannot make the plug-in build a tree many times its size.
inline constexpr std::size_t MAX_DOCUMENT_BYTES = std::size_t{4} * 1024 * 1024;

// What the state document adds around its patch: {"patch":,"version":1}.
inline constexpr std::size_t STATE_DOCUMENT_FRAME = 22;

// The longest patch text a state document can hold.
inline constexpr std::size_t MAX_PATCH_BYTES = MAX_DOCUMENT_BYTES - STATE_DOCUMENT_FRAME;

// Why a state document longer than MAX_DOCUMENT_BYTES is refused.
inline constexpr std::string_view STATE_TOO_LARGE =
    "it is larger than 4 MiB, the most the plug-in reads as a state";

// Why a patch is refused that reads well but would make a state document longer than
// MAX_DOCUMENT_BYTES, which could never be loaded back: the one text for it everywhere.
inline constexpr std::string_view PATCH_TOO_LARGE =
    "The patch is too large (its state would be over 4 MiB)";

static_assert(MAX_DOCUMENT_BYTES == std::size_t{4} << 20, "the texts above name the bound");

}  // namespace ondrix_plugin_core
