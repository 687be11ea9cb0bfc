#include "options.hpp"

#include <cmath>
#include <cstdlib>

namespace ondrix_tools {

const char* const kUsage =
    "usage: ondrix-host MODULE [--seconds N] [--state FILE] [--save FILE]\n"
    "\n"
    "Loads the CLAP plug-in in MODULE (a .clap file), runs its first plug-in at 48 kHz in blocks\n"
    "of 256 frames with a transport playing at 120 BPM from the start of the song, and prints\n"
    "each event the plug-in sends, one line per event.\n"
    "\n"
    "Options:\n"
    "  --seconds N    run for N seconds, from 0 to 86400 (default 1)\n"
    "  --state FILE   load FILE into the plug-in before it starts: a state document\n"
    "                 {\"patch\": PATCH, \"version\": 1}, or a patch alone, which is wrapped\n"
    "                 as one; when the plug-in refuses it, the patch reader says why, with\n"
    "                 the line and column in FILE\n"
    "  --save FILE    write the plug-in's state document to FILE at the end\n"
    "  -h, --help     print this and do nothing else\n"
    "\n"
    "Output: a MIDI control change is one line of four numbers,\n"
    "  SAMPLE CHANNEL CONTROLLER VALUE\n"
    "  SAMPLE      the sample the event falls on, counted from the start of the run\n"
    "              (48000 to a second)\n"
    "  CHANNEL     the MIDI channel, counted from 0 (0-15: channel 1 is 0)\n"
    "  CONTROLLER  the controller number, 0-127\n"
    "  VALUE       the controller's value, 0-127\n"
    "A 14-bit output sends its low 7 bits on CONTROLLER + 32, after its high 7 bits on\n"
    "CONTROLLER at the same sample whenever those change. Other MIDI events print as\n"
    "SAMPLE midi STATUS DATA1 DATA2, other events as SAMPLE event SPACE:TYPE.\n"
    "\n"
    "The plug-in's log and the host's errors go to standard error. Exit status: 0 after a clean\n"
    "run, 1 when a step failed or the plug-in logged an error, 2 for a wrong command line.\n";

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
