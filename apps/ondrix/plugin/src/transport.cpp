#include "transport.hpp"

#include <cmath>
#include <stdexcept>

#include "step_context.hpp"

namespace vantrel_ondrix_plugin {

namespace {

// The host's tempo in the engine's range, clamped while it is a double: a double past the float
// range has no float to be converted to. NaN gives the lowest tempo, as in the engine.
float engine_tempo(double tempo) {
    using ondrix_engine::StepContext;
    if (!(tempo > StepContext::MIN_TEMPO)) return StepContext::MIN_TEMPO;
    if (tempo >= StepContext::MAX_TEMPO) return StepContext::MAX_TEMPO;
    return static_cast<float>(tempo);
}

}  // namespace

TransportView read_transport(const clap_event_transport_t* transport) {
    TransportView view;
    if (transport == nullptr) return view;
    if (transport->header.space_id != CLAP_CORE_EVENT_SPACE_ID) {
        throw std::logic_error(
            "CLAP Event mismatch: expected core event space (ID 0), got a non-core event space "
            "instead.");
    }
    if (transport->header.type != CLAP_EVENT_TRANSPORT) {
        throw std::logic_error("CLAP Event mismatch: got a different event ID from expected");
    }
    const std::uint32_t flags = transport->flags;
    view.has_tempo = (flags & CLAP_TRANSPORT_HAS_TEMPO) != 0;
    view.playing = (flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0 &&
                   (flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    view.tempo = engine_tempo(transport->tempo);
    view.song_position = std::ldexp(static_cast<double>(transport->song_pos_beats), -31);
    return view;
}

}  // namespace vantrel_ondrix_plugin
