// The transport that the command-line host gives each block.
#pragma once

#include <cstdint>

#include "clap/clap.h"

namespace ondrix_tools {

// The transport of a block that starts `frame` frames into a run at a steady tempo in 4/4, with
// tempo, beat and seconds timelines and time signature: playing from the song's start, or, when
// not `playing`, standing still there (the position stays at the start, whatever the frame).
clap_event_transport_t block_transport(std::uint64_t frame, double sample_rate, double tempo,
                                       bool playing);

}  // namespace ondrix_tools
