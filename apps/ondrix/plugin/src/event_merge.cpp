#include "event_merge.hpp"

#include <cstring>

namespace vantrel_ondrix_plugin {
namespace {

// Builds each generated event in one reused record; the host copies it in try_push.
class MidiPusher {
  public:
    explicit MidiPusher(const clap_output_events_t* out) : out_(out) {
        event_.header.size = sizeof(clap_event_midi_t);
        event_.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
        event_.header.type = CLAP_EVENT_MIDI;
        event_.header.flags = 0;
        event_.port_index = 0;
    }

    void push(const ondrix_plugin_core::Midi& midi) {
        event_.header.time = midi.time;
        std::memcpy(event_.data, midi.data.data(), sizeof(event_.data));
        push(&event_.header);
    }

    void push(const clap_event_header_t* event) {
        if (out_ != nullptr && out_->try_push != nullptr) out_->try_push(out_, event);
    }

  private:
    const clap_output_events_t* out_;
    clap_event_midi_t event_{};
};

}  // namespace

bool passes_through(const clap_event_header_t& event) {
    return event.space_id == CLAP_CORE_EVENT_SPACE_ID && event.type < 32 &&
           ((PASSING_EVENT_TYPES >> event.type) & 1u) != 0;
}

void merge_events(std::span<const ondrix_plugin_core::Midi> generated,
                  const clap_input_events_t* in, const clap_output_events_t* out) noexcept {
    MidiPusher pusher(out);
    std::size_t next = 0;
    const bool has_input = in != nullptr && in->size != nullptr && in->get != nullptr;
    const std::uint32_t count = has_input ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = in->get(in, i);
        if (event == nullptr) break;
        if (!passes_through(*event)) continue;
        while (next < generated.size() && generated[next].time < event->time) {
            pusher.push(generated[next++]);
        }
        pusher.push(event);
    }
    while (next < generated.size()) pusher.push(generated[next++]);
}

}  // namespace vantrel_ondrix_plugin
