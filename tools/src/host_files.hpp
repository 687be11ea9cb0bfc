// The files the command-line hosts read and write: a state file in, the saved state out.
#pragma once

#include <optional>
#include <string>

namespace ondrix_tools {

// The bytes of the state file at path, or nothing with the reason in error. A file longer than
// the plug-in reads as a state gives just enough of it for the plug-in to refuse it.
std::optional<std::string> read_state_file(const std::string& path, std::string& error);

// Writes bytes to the file at path, replacing it; false with the reason in error.
bool write_file(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace ondrix_tools
