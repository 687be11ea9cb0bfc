// One run of the command-line host: load, initialise, process, save, shut down.
#pragma once

#include <ostream>

#include "options.hpp"

namespace ondrix_tools {

// Sample rate and block size of every run.
inline constexpr double kSampleRate = 48000.0;
inline constexpr std::uint32_t kBlockFrames = 256;
inline constexpr double kTempo = 120.0;

// Loads options.module, creates its first plug-in with a host that offers "clap.log", loads the
// state file if any, activates at kSampleRate, runs options.seconds in blocks of kBlockFrames
// with a playing transport at kTempo, prints each output event to out (event_line), saves the
// state if asked, and deactivates, destroys and deinitialises. The plug-in's log and the host's
// own errors go to err. Returns 0, or 1 when a step failed or the plug-in logged an error.
int run_host(const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace ondrix_tools
