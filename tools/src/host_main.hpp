// The main function of a command-line host: its command line, usage and exit status.
#pragma once

#include <ostream>
#include <string_view>

#include "options.hpp"

namespace ondrix_tools {

// Parses the arguments after argv[0] and runs `run` on them with the standard streams. A wrong
// command line prints "<program>: <reason>" and the usage to standard error and gives 2; --help
// prints the usage alone and gives 0; an exception that escapes the run gives 1 after
// "<program>: <what>". Otherwise gives what `run` returns.
int host_main(int argc, char** argv, std::string_view program, const char* usage,
              int (*run)(const HostOptions& options, std::ostream& out, std::ostream& err));

}  // namespace ondrix_tools
