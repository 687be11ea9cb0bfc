#include "audio_processor.hpp"

#include <algorithm>

#include "event_merge.hpp"
#include "transport.hpp"

namespace vantrel_ondrix_plugin {
namespace {

// Writes frames zero samples into every channel of each 32-bit output, stopping at the first
// missing channel; 64-bit-only buffers and missing buffers are left alone.
void write_silence(const clap_process_t& process) {
    if (process.audio_outputs == nullptr) return;
    for (std::uint32_t b = 0; b < process.audio_outputs_count; ++b) {
        const clap_audio_buffer_t& buffer = process.audio_outputs[b];
        if (buffer.data32 == nullptr) continue;
        for (std::uint32_t c = 0; c < buffer.channel_count; ++c) {
            float* channel = buffer.data32[c];
            if (channel == nullptr) break;
            std::fill_n(channel, process.frames_count, 0.0f);
        }
    }
}

}  // namespace

AudioProcessor::AudioProcessor(std::shared_ptr<ondrix_plugin_core::Core> core, double sample_rate)
    : processor_(std::move(core), sample_rate) {
    out_.reserve(ondrix_plugin_core::MIDI_EVENT_CAPACITY);
}

clap_process_status AudioProcessor::process(const clap_process_t& process) {
    const TransportView transport = read_transport(process.transport);
    out_.clear();
    const std::uint32_t flags = transport.has_tempo ? std::uint32_t{CLAP_TRANSPORT_HAS_TEMPO} : 0u;
    processor_.process(process.frames_count, flags, transport.playing, out_, transport.tempo,
                       transport.song_position);
    merge_events(out_, process.in_events, process.out_events);
    write_silence(process);
    return CLAP_PROCESS_CONTINUE;
}

void AudioProcessor::start_processing() {
    processor_.engine().invalidate_sent();
}

}  // namespace vantrel_ondrix_plugin
