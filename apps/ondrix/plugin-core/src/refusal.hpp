#pragma once

// Why the plug-in refuses a state document or a patch text, in the words of its readers and with
// the line and column in the text, for the person who wrote it.
// Thread: any; nothing is kept between calls. The texts are parsed whole, so the main thread or a
// command-line host, never the audio thread.

#include <optional>
#include <string>
#include <string_view>

#include "json/notes.hpp"

namespace ondrix_plugin_core {

// Why a patch text is refused as a patch (as Core::set_patch refuses its tree): the patch
// reader's message ending in " at line L column C", or PATCH_TOO_LARGE. None when it is accepted.
std::optional<std::string> patch_refusal(std::string_view text);

// Why Core::load_state refuses `document`: STATE_TOO_LARGE, the JSON parser's message or the
// patch reader's, with the line and column in the document, or PATCH_TOO_LARGE. None exactly
// when load_state accepts it.
std::optional<std::string> state_refusal(std::string_view document);

// The same, for a check that also tells what plays other than it is written: `notes` is told
// what the patch reader noticed in the document's patch (up to the fault, when there is one) and
// each key given again later in its object, placed in the document.
std::optional<std::string> state_refusal(std::string_view document,
                                         ondrix_engine::json::Notes& notes);

// Why the patch parsed from `text` would be refused as the patch of a state document, with
// `notes` told as above, placed in `text`. None when it would be accepted (null among them).
std::optional<std::string> patch_tree_refusal(std::string_view text,
                                              ondrix_engine::json::Notes& notes);

}  // namespace ondrix_plugin_core
