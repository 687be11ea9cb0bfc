// What the patch reader says of a state file for Vantrel Ondrix.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ondrix_tools {

// Each with the line and column in the file itself.
struct StateCheck {
    // Why the plug-in refuses the file: the bound on its size, the JSON parser's message, the
    // patch reader's, or a patch whose saved state would pass the bound (the texts of
    // ondrix_plugin_core::state_refusal). Empty when it takes the file.
    std::string error;
    // What in the patch plays other than it reads, up to the error: the keys the reader ignores,
    // a key given twice, an output's channel or controller sent as another.
    std::vector<std::string> warnings;
};

// Checks `file` as a state document or bare patch, as the plug-in reads it.
StateCheck check_state_file(std::string_view file);

// --check: reads the state file at `path` and lists the check's findings on `out`, one line
// each, "<path>: warning: <warning>" and "<path>: error: <error>" (a file that can't be read is
// an error too). Returns 0 when there are none, 1 for warnings only, 2 after an error.
int list_state_check(const std::string& path, std::ostream& out);

}  // namespace ondrix_tools
