// Why a plug-in may have refused a state file: the patch reader's own account of it.
#pragma once

#include <string>
#include <string_view>

namespace ondrix_tools {

// What is wrong with `file` as a state document or bare patch for Vantrel Ondrix, as the plug-in
// reads it: the bound on its size, the JSON parser's message or the patch reader's, with the line
// and column in the file itself. Empty when the readers find nothing wrong.
std::string refused_state_reason(std::string_view file);

}  // namespace ondrix_tools
