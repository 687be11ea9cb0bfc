#pragma once

// The text the patch reader reads to say where in a document the plug-in's own read (of the
// parsed tree) finds a fault: the document itself with what that read passes over turned into
// white space. Line breaks are kept, so every position in it is the same in the document.
// Thread: any; nothing is kept between calls. The texts are scanned whole, so the main thread or
// a command-line host, never the audio thread.

#include <string>
#include <string_view>

#include "json/notes.hpp"

namespace ondrix_plugin_core {

// `document`, a valid JSON object with a member "patch", with everything but the value of that
// member (its last one, which the parse keeps) blanked.
std::string only_the_patch(std::string_view document);

// `text`, a valid JSON text, with each object entry whose key its object gives again later
// blanked, comma and all: the parse keeps only the last value of a key given twice, where the
// text reader would refuse the second. Adds to `notes` a remark for each blanked key, placed
// just past it; none for those inside an entry that is blanked whole.
std::string as_the_tree_holds(std::string_view text, ondrix_engine::json::Notes& notes);

}  // namespace ondrix_plugin_core
