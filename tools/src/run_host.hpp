// One run of the command-line host: load, initialise, process, save, shut down.
#pragma once

#include <ostream>

#include "options.hpp"
#include "run_steps.hpp"

namespace ondrix_tools {

// Loads options.module, creates its first plug-in with a host that offers "clap.log", loads the
// state file if any, activates at kSampleRate, runs options.seconds in blocks of kBlockFrames
// with the transport at options.tempo (playing, or stopped with options.stopped), prints each
// output event to out (event_line), saves the state if asked, and deactivates, destroys and
// deinitialises. The plug-in's log and the host's own errors and warnings go to err. Returns 0,
// or 1 when a step failed or the plug-in logged an error.
int run_host(const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace ondrix_tools
