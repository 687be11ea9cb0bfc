// The playing transport that the command-line host gives each block.
#pragma once

#include <cstdint>

#include "clap/clap.h"

namespace ondrix_tools {

// The transport of a block that starts frame frames into a run that has been playing from the
// song's start at a steady tempo in 4/4: tempo, beat and seconds timelines, time signature,
// playing.
clap_event_transport_t playing_transport(std::uint64_t frame, double sample_rate, double tempo);

}  // namespace ondrix_tools
