// The main function of a command-line host: its command line, usage and exit status.
#pragma once

#include <ostream>
#include <string_view>

#include "options.hpp"

namespace ondrix_tools {

// Parses the arguments after argv[0] and runs `run` on them with the standard streams. A wrong
// command line prints "<program>: <reason>" and the usage to standard error and gives 2; --help
// prints the usage alone and gives 0; --check lists the state check of its file on standard
// output and gives its status (list_state_check). Otherwise the run gets standard output for its
// event lines alone (EventOutput) and standard error, and gives what `run` returns; an exception
// that escapes it gives 1 after "<program>: <what>".
int host_main(int argc, char** argv, std::string_view program, std::string_view usage,
              int (*run)(const HostOptions& options, std::ostream& out, std::ostream& err));

}  // namespace ondrix_tools
