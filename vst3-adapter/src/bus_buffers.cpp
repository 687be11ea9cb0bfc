#include "bus_buffers.hpp"

#include <algorithm>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Clap {

void BusBuffers::setup(BusList& buses, std::uint32_t maxFrames) {
    buffers_.clear();
    firstChannel_.clear();
    std::size_t channels = 0;
    for (const auto& bus : buses) {
        clap_audio_buffer_t& buffer = buffers_.emplace_back();
        BusInfo info{};
        if (bus && bus->getInfo(info)) {
            buffer.channel_count =
                static_cast<std::uint32_t>(std::max<int32>(info.channelCount, 0));
        }
        firstChannel_.push_back(channels);
        channels += buffer.channel_count;
    }
    channels_.assign(channels, nullptr);
    scratchFrames_ = std::min(maxFrames, maxScratchFrames);
    scratch_.assign(channels * scratchFrames_, 0.0f);
}

bool BusBuffers::connect(const AudioBusBuffers* records, int32 count, std::uint32_t frames) {
    for (std::size_t i = 0; i < buffers_.size(); ++i) {
        if (records == nullptr || static_cast<int32>(i) >= count) {
            return false;
        }
        const AudioBusBuffers& record = records[i];
        clap_audio_buffer_t& buffer = buffers_[i];
        const std::uint32_t channels = buffer.channel_count;
        if (record.numChannels < 0 || static_cast<std::uint32_t>(record.numChannels) != channels) {
            return false;
        }
        Sample32** host = record.channelBuffers32;
        const bool whole =
            channels == 0 || (host != nullptr &&
                              std::none_of(host, host + channels, [](Sample32* c) { return !c; }));
        if (whole) {
            buffer.data32 = host;
            continue;
        }
        if (frames > scratchFrames_) {
            return false;
        }
        float** own = channels_.data() + firstChannel_[i];
        for (std::uint32_t c = 0; c < channels; ++c) {
            if (host != nullptr && host[c] != nullptr) {
                own[c] = host[c];
            } else {
                // Silent, whatever the plug-in wrote into it last time.
                own[c] = scratch_.data() + (firstChannel_[i] + c) * scratchFrames_;
                std::memset(own[c], 0, frames * sizeof(float));
            }
        }
        buffer.data32 = own;
    }
    return true;
}

}  // namespace Clap
