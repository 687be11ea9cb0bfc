#pragma once

#include <clap/events.h>

namespace vantrel_ondrix_plugin {

// The host transport as the engine sees it for one block. Thread: audio thread. Owner: caller.
struct TransportView {
    bool has_tempo = false;
    // The host plays on a beat timeline.
    bool playing = false;
    // Beats per minute, within the engine's range; meaningful only with has_tempo.
    float tempo = 0.0f;
    // Position in beats at the block's first frame; meaningful only while playing.
    double song_position = 0.0;
};

// Reads the block's transport event; none means a free-running engine. An event that is not a
// core-space transport event is a host fault: it throws std::logic_error with the mismatch.
TransportView read_transport(const clap_event_transport_t* transport);

}  // namespace vantrel_ondrix_plugin
