// The input and output event lists that the command-line host hands to each process call.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "clap/clap.h"

namespace ondrix_tools {

// One output event as the host kept it: the header fields, and for a MIDI event its bytes.
struct RecordedEvent {
    std::uint32_t time = 0;
    std::uint16_t space_id = 0;
    std::uint16_t type = 0;
    bool is_midi = false;
    std::uint16_t port_index = 0;
    std::array<std::uint8_t, 3> midi{};
};

// An input list with no events. Owned by the host's process loop, read on the audio thread.
class EmptyInputEvents {
  public:
    EmptyInputEvents();
    const clap_input_events_t* list() const { return &list_; }

  private:
    clap_input_events_t list_;
};

// An output list that keeps a copy of every event pushed during one block. Owned by the host's
// process loop, written on the audio thread; cleared by the host between blocks. Not movable:
// the plug-in is handed a pointer to list().
class RecordingOutputEvents {
  public:
    RecordingOutputEvents();
    RecordingOutputEvents(const RecordingOutputEvents&) = delete;
    RecordingOutputEvents& operator=(const RecordingOutputEvents&) = delete;

    const clap_output_events_t* list() const { return &list_; }
    const std::vector<RecordedEvent>& events() const { return events_; }
    void clear() { events_.clear(); }

    // Events refused because they were null or shorter than their header says they must be.
    std::uint32_t refused() const { return refused_; }

  private:
    static bool try_push(const clap_output_events_t* list, const clap_event_header_t* event);

    clap_output_events_t list_;
    std::vector<RecordedEvent> events_;
    std::uint32_t refused_ = 0;
};

}  // namespace ondrix_tools
