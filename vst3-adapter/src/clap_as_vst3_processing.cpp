// ClapAsVst3: processing set-up, the per-block process call, bus arrangements and bus
// information from the plug-in's audio ports, latency and tail.

#include "clap_as_vst3.hpp"

#include "clap/plugin.hpp"
#include "helpers/utf16.hpp"
#include "os/log.hpp"
#include "process_adapter.hpp"

#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Vst3Adapter::detail::shared::SpinLockGuard;

namespace {

// What a host may leave out of the process context unless asked: the plug-in follows the
// host's tempo, bars, loop and transport.
constexpr uint32 neededContext =
    IProcessContextRequirements::kNeedProjectTimeMusic |
    IProcessContextRequirements::kNeedBarPositionMusic | IProcessContextRequirements::kNeedCycleMusic |
    IProcessContextRequirements::kNeedTempo | IProcessContextRequirements::kNeedTimeSignature |
    IProcessContextRequirements::kNeedTransportState;

// The CLAP port a VST3 arrangement asks for: mono and stereo by name, others by count alone.
clap_audio_port_configuration_request_t requestFor(bool isInput, uint32_t index,
                                                   SpeakerArrangement arrangement) {
    clap_audio_port_configuration_request_t request{};
    request.is_input = isInput;
    request.port_index = index;
    request.channel_count = static_cast<uint32_t>(SpeakerArr::getChannelCount(arrangement));
    if (arrangement == SpeakerArr::kStereo) {
        request.port_type = CLAP_PORT_STEREO;
    } else if (arrangement == SpeakerArr::kMono) {
        request.port_type = CLAP_PORT_MONO;
    }
    return request;
}

bool arrayFits(const SpeakerArrangement* arrangements, int32 count) {
    return count >= 0 && (count == 0 || arrangements != nullptr);
}

}  // namespace

tresult PLUGIN_API ClapAsVst3::setupProcessing(ProcessSetup& setup) {
    if (setup.symbolicSampleSize != kSample32 || !std::isfinite(setup.sampleRate) ||
        !(setup.sampleRate > 0) || setup.maxSamplesPerBlock < 1 || !plugin) {
        return kResultFalse;
    }
    const clap_plugin_t* instance = plugin->instance();
    if (const clap_plugin_render_t* render = plugin->extensions().render) {
        const bool hardRealtime = render->has_hard_realtime_requirement != nullptr &&
                                  render->has_hard_realtime_requirement(instance);
        if (hardRealtime && setup.processMode != kRealtime) {
            return kResultFalse;
        }
        if (render->set != nullptr) {
            render->set(instance,
                        setup.processMode == kOffline ? CLAP_RENDER_OFFLINE : CLAP_RENDER_REALTIME);
        }
    }
    const auto maxBlock = static_cast<uint32_t>(setup.maxSamplesPerBlock);
    plugin->setSampleRate(setup.sampleRate);
    plugin->setBlockSizes(maxBlock, maxBlock);
    largestBlockSize = maxBlock;
    return kResultOk;
}

tresult PLUGIN_API ClapAsVst3::process(ProcessData& data) {
    if (!active || !processing) {
        return kNotInitialized;
    }
    SpinLockGuard guard(processLock);
    // Checked again under the lock: the adapter lives from activation to deactivation.
    if (!processAdapter) {
        return kNotInitialized;
    }
    const Clap::Raise audio = Clap::Plugin::AlwaysAudioThread();
    processCalled = true;
    processAdapter->process(data);
    return kResultOk;
}

void ClapAsVst3::logDroppedEvents() {
    if (!processAdapter) {
        return;
    }
    if (const std::uint64_t dropped = processAdapter->takeDroppedEvents()) {
        os::logWithLocation(__FILE__, __LINE__, __func__,
                            "{} host events dropped: a block holds {} at most", dropped,
                            Clap::ProcessAdapter::reservedEvents);
    }
}

tresult PLUGIN_API ClapAsVst3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                  SpeakerArrangement* outputs, int32 numOuts) {
    const clap_plugin_audio_ports_t* ports = plugin ? plugin->extensions().audioPorts : nullptr;
    if (ports == nullptr || !arrayFits(inputs, numIns) || !arrayFits(outputs, numOuts)) {
        return kResultFalse;
    }
    const Clap::Raise mainThread = Clap::Plugin::AlwaysMainThread();
    const clap_plugin_t* instance = plugin->instance();

    if (const auto* configurable = plugin->extensions().configurableAudioPorts) {
        std::vector<clap_audio_port_configuration_request_t> requests;
        for (int32 i = 0; i < numIns; ++i) {
            requests.push_back(requestFor(true, static_cast<uint32_t>(i), inputs[i]));
        }
        for (int32 i = 0; i < numOuts; ++i) {
            requests.push_back(requestFor(false, static_cast<uint32_t>(i), outputs[i]));
        }
        if (configurable->apply_configuration != nullptr &&
            configurable->apply_configuration(instance, requests.data(),
                                              static_cast<uint32_t>(requests.size()))) {
            setupAudioBusses(instance, ports);
            return SingleComponentEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
        }
    }

    // Fixed ports: the host must ask for exactly what they are.
    for (const bool isInput : {true, false}) {
        const int32 count = isInput ? numIns : numOuts;
        const SpeakerArrangement* asked = isInput ? inputs : outputs;
        if (ports->count(instance, isInput) != static_cast<uint32_t>(count)) {
            return kResultFalse;
        }
        for (int32 i = 0; i < count; ++i) {
            clap_audio_port_info_t port{};
            if (!ports->get(instance, static_cast<uint32_t>(i), isInput, &port) ||
                static_cast<uint32_t>(SpeakerArr::getChannelCount(asked[i])) !=
                    port.channel_count) {
                return kResultFalse;
            }
        }
    }
    return SingleComponentEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
}

tresult PLUGIN_API ClapAsVst3::getBusInfo(MediaType type, BusDirection dir, int32 index,
                                          BusInfo& info) {
    const clap_plugin_audio_ports_t* ports = plugin ? plugin->extensions().audioPorts : nullptr;
    if (ports == nullptr || type != kAudio) {
        return SingleComponentEffect::getBusInfo(type, dir, index, info);
    }
    if (index < 0) {
        return kResultFalse;
    }
    const Clap::Raise mainThread = Clap::Plugin::AlwaysMainThread();
    clap_audio_port_info_t port{};
    if (!ports->get(plugin->instance(), static_cast<uint32_t>(index), dir == kInput, &port)) {
        return kResultFalse;
    }
    info.mediaType = kAudio;
    info.direction = dir;
    info.channelCount = static_cast<int32>(
        std::min<uint32_t>(port.channel_count, std::numeric_limits<int32>::max()));
    const bool mainBus = dir != kInput || (port.flags & CLAP_AUDIO_PORT_IS_MAIN) != 0;
    info.busType = mainBus ? kMain : kAux;
    info.flags = BusInfo::kDefaultActive;
    // The plug-in may fill its name field to the last byte.
    char name[sizeof port.name + 1] = {};
    std::memcpy(name, port.name, sizeof port.name);
    Vst3Adapter::detail::utf8_to_utf16l(name, info.name, std::size(info.name));
    return kResultOk;
}

uint32 PLUGIN_API ClapAsVst3::getLatencySamples() {
    const clap_plugin_latency_t* latency = plugin ? plugin->extensions().latency : nullptr;
    if (latency == nullptr) {
        return 0;
    }
    if (!active) {
        // Only an active plug-in knows its latency: it is reported right after activation.
        latencyReportPending = true;
        return 0;
    }
    latencyReportPending = false;
    return latency->get(plugin->instance());
}

uint32 PLUGIN_API ClapAsVst3::getTailSamples() {
    const clap_plugin_tail_t* tail = plugin ? plugin->extensions().tail : nullptr;
    if (!active || tail == nullptr) {
        return kNoTail;
    }
    const uint32_t samples = tail->get(plugin->instance());
    return samples >= 0x7FFFFFFFu ? kInfiniteTail : samples;
}

uint32 PLUGIN_API ClapAsVst3::getProcessContextRequirements() {
    return neededContext;
}
