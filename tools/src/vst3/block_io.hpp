// What a VST3 host hands a component for each audio block: 32-bit buffers for every audio bus,
// an event list each way and no parameter changes.
// Thread: the host's one thread, which plays both the main and the audio thread. Owner: the run
// that makes it; the component may hold none of it beyond a process call.
#pragma once

#include <cstdint>
#include <vector>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "vst3/host_objects.hpp"

namespace ondrix_tools {

class BlockIo {
  public:
    // Buffers of up to `frames` for each audio bus as `component` declares them. With
    // `outputs_active` false the output buses' channels are null, as a host sends the record of
    // a bus it deactivated (IComponent::activateBus).
    BlockIo(Steinberg::Vst::IComponent& component, std::uint32_t frames,
            bool outputs_active = true);

    // The process record of one block of `frames` at `context`, in real time with 32-bit samples.
    Steinberg::Vst::ProcessData data(std::uint32_t frames, Steinberg::Vst::ProcessContext& context);

    EventList in_events;
    EventList out_events;

  private:
    struct Bus {
        std::vector<float> samples;
        std::vector<float*> channels;
    };
    struct Direction {
        std::vector<Bus> buses;
        std::vector<Steinberg::Vst::AudioBusBuffers> buffers;
    };
    static Direction buses(Steinberg::Vst::IComponent& component,
                           Steinberg::Vst::BusDirection direction, std::uint32_t frames,
                           bool active);

    Direction inputs_;
    Direction outputs_;
    NoParameterChanges in_changes_;
    NoParameterChanges out_changes_;
};

}  // namespace ondrix_tools
