#include "options.hpp"

#include <cmath>
#include <cstdlib>

#include <fmt/format.h>

namespace ondrix_tools {

std::string host_usage(std::string_view program, std::string_view module, std::string_view loads) {
    const std::string indent(program.size() + module.size() + 1, ' ');
    return fmt::format(
        "usage: {0} {1} [--seconds N] [--tempo BPM] [--stopped]\n"
        "       {3} [--state FILE] [--save FILE]\n"
        "       {0} --check FILE\n"
        "\n"
        "{2}\n"
        "\n"
        "Options:\n"
        "  --seconds N    run for N seconds, from 0 to 86400 (default 1)\n"
        "  --tempo BPM    the transport's tempo, from 20 to 999 beats per minute (default 120)\n"
        "  --stopped      the transport stands still at the start of the song instead of playing\n"
        "  --state FILE   load FILE into the plug-in before it starts: a state document\n"
        "                 {{\"patch\": PATCH, \"version\": 1}}, or a patch alone, which is "
        "wrapped\n"
        "                 as one; what in the patch plays other than it reads (a key the reader\n"
        "                 ignores, a channel above 15, a controller above 127 or among the\n"
        "                 channel mode messages 120-127) is warned about on standard error, with\n"
        "                 the line and column in FILE, and played as it is; when the plug-in\n"
        "                 refuses the file, the patch reader says why, with the line and column\n"
        "  --save FILE    write the plug-in's state document to FILE at the end; FILE is opened\n"
        "                 before the run, so a place that can't be written stops it at once\n"
        "  --check FILE   load nothing and run nothing: list on standard output the warnings and\n"
        "                 the error the patch reader finds in FILE (a state document or a patch),\n"
        "                 one line each, \"FILE: warning: ...\" or \"FILE: error: ...\"\n"
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
        "SAMPLE midi STATUS DATA1 DATA2, other events as SAMPLE event SPACE:TYPE. Standard output\n"
        "holds these lines alone: whatever the plug-in itself writes there goes to standard "
        "error.\n"
        "\n"
        "The plug-in's log, the warnings and the host's errors go to standard error. Exit status:\n"
        "0 after a clean run, 1 when a step failed or the plug-in logged an error, 2 for a wrong\n"
        "command line. With --check: 0 when FILE is clean, 1 when there are warnings only, 2 when\n"
        "the plug-in would refuse FILE (or for a wrong command line).\n",
        program, module, loads, indent);
}

namespace {

// A decimal number from `low` to `high`.
std::optional<double> parse_number(const std::string& text, double low, double high) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value < low || value > high) {
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
        if (arg == "--stopped") {
            options.stopped = true;
            continue;
        }
        if (arg == "--seconds" || arg == "--tempo" || arg == "--state" || arg == "--save" ||
            arg == "--check") {
            if (i + 1 >= args.size()) return "Option " + arg + " needs a value";
            const std::string& value = args[++i];
            if (arg == "--seconds") {
                const std::optional<double> seconds = parse_number(value, 0.0, 86400.0);
                if (!seconds)
                    return "Option --seconds needs a number from 0 to 86400, not '" + value + "'";
                options.seconds = *seconds;
            } else if (arg == "--tempo") {
                const std::optional<double> tempo = parse_number(value, 20.0, 999.0);
                if (!tempo)
                    return "Option --tempo needs a number from 20 to 999, not '" + value + "'";
                options.tempo = *tempo;
            } else if (arg == "--state") {
                options.state_file = value;
            } else if (arg == "--save") {
                options.save_file = value;
            } else {
                options.check_file = value;
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') return "Unknown option " + arg;
        if (have_module) return "Only one module can be given, not also '" + arg + "'";
        options.module = arg;
        have_module = true;
    }
    if (!have_module && !options.check_file) return std::string("No module given");
    return options;
}

}  // namespace ondrix_tools
