#include "transport.hpp"

#include <cmath>

namespace ondrix_tools {

clap_event_transport_t block_transport(std::uint64_t frame, double sample_rate, double tempo,
                                       bool playing) {
    const double seconds = playing ? static_cast<double>(frame) / sample_rate : 0.0;
    const double beats = seconds * tempo / 60.0;
    const double bar = std::floor(beats / 4.0);

    clap_event_transport_t t{};
    t.header.size = sizeof(clap_event_transport_t);
    t.header.time = 0;
    t.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
    t.header.type = CLAP_EVENT_TRANSPORT;
    t.header.flags = 0;
    t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
              CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE |
              (playing ? CLAP_TRANSPORT_IS_PLAYING : 0);
    t.song_pos_beats = std::llround(beats * static_cast<double>(CLAP_BEATTIME_FACTOR));
    t.song_pos_seconds = std::llround(seconds * static_cast<double>(CLAP_SECTIME_FACTOR));
    t.tempo = tempo;
    t.tempo_inc = 0.0;
    t.bar_start = std::llround(bar * 4.0 * static_cast<double>(CLAP_BEATTIME_FACTOR));
    t.bar_number = static_cast<std::int32_t>(bar);
    t.tsig_num = 4;
    t.tsig_denom = 4;
    return t;
}

}  // namespace ondrix_tools
