#include "vst3/block_io.hpp"

#include <algorithm>

namespace ondrix_tools {

using namespace Steinberg;
using namespace Steinberg::Vst;

BlockIo::BlockIo(IComponent& component, std::uint32_t frames, bool outputs_active)
    : inputs_(buses(component, kInput, frames, true)),
      outputs_(buses(component, kOutput, frames, outputs_active)) {}

BlockIo::Direction BlockIo::buses(IComponent& component, BusDirection direction,
                                  std::uint32_t frames, bool active) {
    Direction made;
    const int32 count = std::min(component.getBusCount(kAudio, direction), 64);
    made.buses.resize(static_cast<std::size_t>(std::max(count, 0)));
    for (int32 i = 0; i < count; ++i) {
        BusInfo info{};
        const bool known = component.getBusInfo(kAudio, direction, i, info) == kResultOk;
        const auto channels =
            static_cast<std::uint32_t>(std::clamp(known ? info.channelCount : 0, 0, 64));
        Bus& bus = made.buses[static_cast<std::size_t>(i)];
        bus.samples.assign(active ? std::size_t{channels} * frames : 0, 0.0f);
        for (std::uint32_t c = 0; c < channels; ++c) {
            bus.channels.push_back(active ? bus.samples.data() + std::size_t{c} * frames : nullptr);
        }
        AudioBusBuffers buffers{};
        buffers.numChannels = static_cast<int32>(bus.channels.size());
        buffers.channelBuffers32 = bus.channels.empty() ? nullptr : bus.channels.data();
        made.buffers.push_back(buffers);
    }
    return made;
}

ProcessData BlockIo::data(std::uint32_t frames, ProcessContext& context) {
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = static_cast<int32>(frames);
    data.numInputs = static_cast<int32>(inputs_.buffers.size());
    data.numOutputs = static_cast<int32>(outputs_.buffers.size());
    data.inputs = inputs_.buffers.empty() ? nullptr : inputs_.buffers.data();
    data.outputs = outputs_.buffers.empty() ? nullptr : outputs_.buffers.data();
    data.inputParameterChanges = &in_changes_;
    data.outputParameterChanges = &out_changes_;
    data.inputEvents = &in_events;
    data.outputEvents = &out_events;
    data.processContext = &context;
    return data;
}

}  // namespace ondrix_tools
