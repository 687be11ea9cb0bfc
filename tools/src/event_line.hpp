// The one line that the command-line host prints for each output event.
#pragma once

#include <cstdint>
#include <string>

#include "event_lists.hpp"

namespace ondrix_tools {

// A control change reads "<sample> <channel> <controller> <value>": the sample position from the
// start of the run, the channel 0-15, the controller and value 0-127. Any other event reads
// "<sample> event <space id>:<type>", and another MIDI message "<sample> midi <b0> <b1> <b2>".
std::string event_line(std::uint64_t block_start, const RecordedEvent& event);

}  // namespace ondrix_tools
