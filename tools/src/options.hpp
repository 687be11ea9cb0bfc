// The command line of ondrix-host.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>

namespace ondrix_tools {

struct HostOptions {
    std::string module;                     // path of the .clap file
    double seconds = 1.0;                   // how long to run
    std::optional<std::string> state_file;  // state document or bare patch to load first
    std::optional<std::string> save_file;   // where to write the state at the end
    bool help = false;                      // print the usage and do nothing else
};

// "ondrix-host MODULE [--seconds N] [--state FILE] [--save FILE]".
extern const char* const kUsage;

// The options of the arguments after the program name, or the reason they don't make sense.
std::variant<HostOptions, std::string> parse_options(std::span<const std::string> args);

}  // namespace ondrix_tools
