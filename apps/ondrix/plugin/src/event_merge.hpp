#pragma once

#include <cstdint>
#include <span>

#include <clap/events.h>

#include "processor.hpp"

namespace vantrel_ondrix_plugin {

// Core-space event types that pass from the host's input list to the output list, one bit per
// type: note on, off, choke and expression, MIDI, SysEx and MIDI 2.
inline constexpr std::uint32_t PASSING_EVENT_TYPES = 0x1C17;

bool passes_through(const clap_event_header_t& event);

// Pushes the passing input events unchanged, in the host's order, and the generated control
// changes as CLAP MIDI events on note port 0: before each passing input event every generated
// event earlier than it, the rest at the end. Missing list functions count as empty lists.
// Thread: audio thread; allocates nothing.
void merge_events(std::span<const ondrix_plugin_core::Midi> generated,
                  const clap_input_events_t* in, const clap_output_events_t* out) noexcept;

}  // namespace vantrel_ondrix_plugin
