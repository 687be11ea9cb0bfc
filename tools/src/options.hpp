// The command lines of ondrix-host and ondrix-vst3-host.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace ondrix_tools {

struct HostOptions {
    std::string module;                     // path of the plug-in: a .clap file, a .vst3 bundle
    double seconds = 1.0;                   // how long to run
    double tempo = 120.0;                   // the transport's tempo, beats per minute
    bool stopped = false;                   // the transport stands at the song's start
    std::optional<std::string> state_file;  // state document or bare patch to load first
    std::optional<std::string> save_file;   // where to write the state at the end
    std::optional<std::string> check_file;  // only list what the patch reader says of this file
    bool help = false;                      // print the usage and do nothing else
};

// The usage of a host: "usage: <program> <MODULE> [options]", a first paragraph that says what
// it loads (`loads`), then the options, output and exit-status sections that every host shares.
std::string host_usage(std::string_view program, std::string_view module, std::string_view loads);

// The options of the arguments after the program name, or the reason they don't make sense. A
// module is needed unless --check or --help is given.
std::variant<HostOptions, std::string> parse_options(std::span<const std::string> args);

}  // namespace ondrix_tools
