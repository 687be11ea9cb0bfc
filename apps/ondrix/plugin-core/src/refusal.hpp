#pragma once

// Why the plug-in refuses a state document or a patch text, in the words of its readers and with
// the line and column in the text, for the person who wrote it.
// Thread: any; nothing is kept between calls. The texts are parsed whole, so the main thread or a
// command-line host, never the audio thread.

#include <optional>
#include <string>
#include <string_view>

namespace ondrix_plugin_core {

// Why a patch text is refused as a patch (as Core::set_patch refuses its tree): the patch
// reader's message ending in " at line L column C", or PATCH_TOO_LARGE. None when it is accepted.
std::optional<std::string> patch_refusal(std::string_view text);

// Why Core::load_state refuses `document`: STATE_TOO_LARGE, the JSON parser's message or the
// patch reader's, with the line and column in the document, or PATCH_TOO_LARGE. None exactly
// when load_state accepts it.
std::optional<std::string> state_refusal(std::string_view document);

}  // namespace ondrix_plugin_core
