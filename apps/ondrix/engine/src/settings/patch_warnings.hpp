#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "json/notes.hpp"

// What a patch text holds that plays other than it reads: the notes of Patch::from_json_text's
// second form, and the warnings made of them.
namespace ondrix_engine::settings::warnings {

// The key that holds a note for people (the examples' "about"): ignored like any unknown key,
// but never warned about.
inline constexpr std::string_view kNoteKey = "about";

// An output's channel above 15, which the engine sends on channel & 15.
std::optional<std::string> about_channel(std::uint8_t channel);
// An output's controller above 127, which the engine sends as controller & 127, and a controller
// that is then one of the channel mode messages (120-127), which a synth takes as commands.
std::vector<std::string> about_controller(std::uint8_t cc);
// A key its object gives again later: the parsed tree, which the plug-in reads, keeps only the
// last value.
std::string about_repeated_key(std::string_view key);

// One line per note of a read of `text` (and per remark a caller added), in the order of their
// places in it, each ending in " at line L column C" as the reader's errors do; ignored keys
// named kNoteKey are left out.
std::vector<std::string> of_notes(std::string_view text, const json::Notes& notes);

}  // namespace ondrix_engine::settings::warnings
