#include "event_lists.hpp"

namespace ondrix_tools {

EmptyInputEvents::EmptyInputEvents() {
    list_.ctx = this;
    list_.size = [](const clap_input_events_t*) -> std::uint32_t { return 0; };
    list_.get = [](const clap_input_events_t*, std::uint32_t) -> const clap_event_header_t* {
        return nullptr;
    };
}

RecordingOutputEvents::RecordingOutputEvents() {
    list_.ctx = this;
    list_.try_push = &RecordingOutputEvents::try_push;
    events_.reserve(8192);
}

bool RecordingOutputEvents::try_push(const clap_output_events_t* list,
                                     const clap_event_header_t* event) {
    if (list == nullptr) return false;
    auto& self = *static_cast<RecordingOutputEvents*>(list->ctx);
    if (event == nullptr || event->size < sizeof(clap_event_header_t)) {
        ++self.refused_;
        return false;
    }
    RecordedEvent kept;
    kept.time = event->time;
    kept.space_id = event->space_id;
    kept.type = event->type;
    if (event->space_id == CLAP_CORE_EVENT_SPACE_ID && event->type == CLAP_EVENT_MIDI) {
        if (event->size < sizeof(clap_event_midi_t)) {
            ++self.refused_;
            return false;
        }
        const auto* midi = reinterpret_cast<const clap_event_midi_t*>(event);
        kept.is_midi = true;
        kept.port_index = midi->port_index;
        kept.midi = {midi->data[0], midi->data[1], midi->data[2]};
    }
    self.events_.push_back(kept);
    return true;
}

}  // namespace ondrix_tools
