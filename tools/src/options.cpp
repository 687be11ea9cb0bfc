#include "options.hpp"

#include <cmath>
#include <cstdlib>

namespace ondrix_tools {

const char* const kUsage =
    "usage: ondrix-host MODULE [--seconds N] [--state FILE] [--save FILE]\n"
    "  Loads the CLAP plug-in in MODULE, runs it at 48 kHz in blocks of 256 frames with a\n"
    "  transport playing at 120 BPM, and prints each output event as one line:\n"
    "  sample position, MIDI channel (0-15), controller, value.\n"
    "  --seconds N    run for N seconds (default 1)\n"
    "  --state FILE   load FILE first: a state document, or a patch, which is wrapped as one\n"
    "  --save FILE    write the plug-in's state to FILE at the end\n";

namespace {

// A decimal number of seconds from 0 to a day.
std::optional<double> parse_seconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value < 0.0 ||
        value > 86400.0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::variant<HostOptions, std::string> parse_options(std::span<const std::string> args) {
    HostOptions options;
    bool have_module = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        if (arg == "--seconds" || arg == "--state" || arg == "--save") {
            if (i + 1 >= args.size()) return "Option " + arg + " needs a value";
            const std::string& value = args[++i];
            if (arg == "--seconds") {
                const std::optional<double> seconds = parse_seconds(value);
                if (!seconds)
                    return "Option --seconds needs a number from 0 to 86400, not '" + value + "'";
                options.seconds = *seconds;
            } else if (arg == "--state") {
                options.state_file = value;
            } else {
                options.save_file = value;
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') return "Unknown option " + arg;
        if (have_module) return "Only one module can be given, not also '" + arg + "'";
        options.module = arg;
        have_module = true;
    }
    if (!have_module) return std::string("No module given");
    return options;
}

}  // namespace ondrix_tools
