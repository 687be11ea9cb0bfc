#pragma once

// The CLAP audio buffers of one direction's VST3 audio buses. Each block they point at the
// host's channels. A host may send a bus's record without its channels (a bus it deactivated: a
// null channel array, or null channel pointers); such a channel gets silent samples of its own,
// reserved at set-up, so the block still runs.
// Threads: `setup` on the main thread, `connect` on the audio thread, never both at once.
// Owner: the process adapter.

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "public.sdk/source/vst/vstbus.h"

#include <clap/audio-buffer.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Clap {

class BusBuffers {
public:
    // Frames of a channel of its own, at most: a larger block whose host left a channel out
    // can't run.
    static constexpr std::uint32_t maxScratchFrames = 65536;

    // One buffer per bus with the bus's channel count, and room for `maxFrames` frames in every
    // channel that the host may leave out.
    void setup(Steinberg::Vst::BusList& buses, std::uint32_t maxFrames);

    // Points the buffers at the host's `count` records for a block of `frames` (more than 0).
    // False when a bus has no record or a record of another channel count, or when a channel
    // left out would need more frames than were reserved. Allocates nothing.
    bool connect(const Steinberg::Vst::AudioBusBuffers* records, Steinberg::int32 count,
                 std::uint32_t frames);

    clap_audio_buffer_t* data() { return buffers_.empty() ? nullptr : buffers_.data(); }
    std::uint32_t count() const { return static_cast<std::uint32_t>(buffers_.size()); }

private:
    std::vector<clap_audio_buffer_t> buffers_;
    // For each bus, the index of its first channel in `channels_`.
    std::vector<std::size_t> firstChannel_;
    // The channels of a bus the host left a channel out of: the host's where it gave one, the
    // bus's own elsewhere.
    std::vector<float*> channels_;
    // `scratchFrames_` samples for every channel of every bus.
    std::vector<float> scratch_;
    std::uint32_t scratchFrames_ = 0;
};

}  // namespace Clap
