// The block: set-up, transport, audio buffers and the CLAP event lists. The events themselves
// are translated in process_adapter_events.cpp.

#include "process_adapter.hpp"

#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Clap {

namespace {

constexpr double fixedPointFactor = 2147483648.0;  // 2^31
constexpr double int64End = 9223372036854775808.0;  // 2^63

// A whole number as int64, saturated; NaN gives 0.
std::int64_t saturated(double whole) {
    if (whole != whole) {
        return 0;
    }
    if (whole >= int64End) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (whole < -int64End) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(whole);
}

std::int64_t toFixedPoint(double value) {
    return saturated(std::round(value * fixedPointFactor));
}

std::uint16_t timeSignaturePart(int32 value) {
    return static_cast<std::uint16_t>(std::clamp<int32>(value, 0, 0xFFFF));
}

}  // namespace

clap_sectime doubleToSecTime(double seconds) {
    return toFixedPoint(seconds);
}

clap_beattime doubleToBeatTime(double beats) {
    return toFixedPoint(beats);
}

void ProcessAdapter::setupProcessing(const clap_plugin_t* plugin,
                                     const clap_plugin_params_t* params, BusList& audioInputs,
                                     BusList& audioOutputs, std::uint32_t maxSamplesPerBlock,
                                     std::size_t /*eventInputBuses*/,
                                     std::size_t /*eventOutputBuses*/,
                                     ParameterContainer& parameters,
                                     IComponentHandler* componentHandler, IAutomation* automation,
                                     std::vector<std::uint32_t>& activeGestures,
                                     bool polyPressureExpressions, bool tuningExpressions) {
    plugin_ = plugin;
    params_ = params;
    inputBuses_ = &audioInputs;
    outputBuses_ = &audioOutputs;
    parameters_ = &parameters;
    componentHandler_ = componentHandler;
    automation_ = automation;
    activeGestures_ = &activeGestures;

    inputBuffers_.setup(audioInputs, maxSamplesPerBlock);
    outputBuffers_.setup(audioOutputs, maxSamplesPerBlock);
    process_.steady_time = -1;
    process_.transport = &transport_;
    process_.audio_inputs = inputBuffers_.data();
    process_.audio_outputs = outputBuffers_.data();
    process_.audio_inputs_count = inputBuffers_.count();
    process_.audio_outputs_count = outputBuffers_.count();
    inputEvents_ = {this, &inputEventsSize, &inputEventsGet};
    outputEvents_ = {this, &outputEventsTryPush};
    process_.in_events = &inputEvents_;
    process_.out_events = &outputEvents_;

    events_.clear();
    events_.reserve(reservedEvents);
    order_.clear();
    order_.reserve(events_.capacity());
    polyPressureExpressions_ = polyPressureExpressions;
    tuningExpressions_ = tuningExpressions;
}

void ProcessAdapter::process(ProcessData& data) {
    data_ = &data;
    translateTransport(data.processContext);
    const int32 samples = std::max<int32>(data.numSamples, 0);
    process_.frames_count = static_cast<std::uint32_t>(samples);

    events_.clear();
    order_.clear();
    blockDrops_ = 0;
    processInputEvents(data.inputEvents, samples);
    processParameterChanges(data.inputParameterChanges, samples);
    if (blockDrops_ > 0) {
        droppedEvents_.fetch_add(blockDrops_, std::memory_order_relaxed);
    }
    // Input events come before parameter changes at equal times: ties keep the arrival order.
    std::sort(order_.begin(), order_.end(), [this](std::uint32_t a, std::uint32_t b) {
        const std::uint32_t ta = events_[a].header.time;
        const std::uint32_t tb = events_[b].header.time;
        return ta != tb ? ta < tb : a < b;
    });

    if (samples > 0 && connectBuffers(data, static_cast<std::uint32_t>(samples))) {
        plugin_->process(plugin_, &process_);
    } else if (params_ != nullptr) {
        params_->flush(plugin_, &inputEvents_, &outputEvents_);
    }

    processOutputParams(data);
    data_ = nullptr;
}

void ProcessAdapter::flush() {
    if (params_ == nullptr) {
        return;
    }
    events_.clear();
    order_.clear();
    params_->flush(plugin_, &inputEvents_, &outputEvents_);
}

void ProcessAdapter::translateTransport(const ProcessContext* context) {
    transport_.header = {sizeof(clap_event_transport_t), 0, CLAP_CORE_EVENT_SPACE_ID,
                         CLAP_EVENT_TRANSPORT, 0};
    transport_.flags = 0;
    if (context == nullptr) {
        return;  // the positions stay as the last context left them
    }
    const uint32 state = context->state;
    std::uint32_t flags = CLAP_TRANSPORT_HAS_SECONDS_TIMELINE;
    if (state & ProcessContext::kPlaying) {
        flags |= CLAP_TRANSPORT_IS_PLAYING;
    }
    if (state & ProcessContext::kRecording) {
        flags |= CLAP_TRANSPORT_IS_RECORDING;
    }
    if (state & ProcessContext::kCycleActive) {
        flags |= CLAP_TRANSPORT_IS_LOOP_ACTIVE;
    }

    transport_.song_pos_seconds =
        context->sampleRate > 0
            ? doubleToSecTime(static_cast<double>(context->projectTimeSamples) /
                              context->sampleRate)
            : 0;
    // Only a musical time says where the beats are; a bar position alone does not.
    transport_.song_pos_beats = 0;
    if (state & ProcessContext::kProjectTimeMusicValid) {
        flags |= CLAP_TRANSPORT_HAS_BEATS_TIMELINE;
        transport_.song_pos_beats = doubleToBeatTime(context->projectTimeMusic);
    }

    const bool tempoValid = (state & ProcessContext::kTempoValid) &&
                            std::isfinite(context->tempo) && context->tempo > 0;
    if (tempoValid) {
        flags |= CLAP_TRANSPORT_HAS_TEMPO;
    }
    transport_.tempo = tempoValid ? context->tempo : 120.0;
    transport_.tempo_inc = 0;

    const bool cycleValid = state & ProcessContext::kCycleValid;
    transport_.loop_start_beats = cycleValid ? doubleToBeatTime(context->cycleStartMusic) : 0;
    transport_.loop_end_beats = cycleValid ? doubleToBeatTime(context->cycleEndMusic) : 0;
    transport_.loop_start_seconds = 0;
    transport_.loop_end_seconds = 0;

    const bool signatureValid =
        (state & ProcessContext::kTimeSigValid) && context->timeSigDenominator != 0;
    if (signatureValid) {
        flags |= CLAP_TRANSPORT_HAS_TIME_SIGNATURE;
    }
    transport_.tsig_num = signatureValid ? timeSignaturePart(context->timeSigNumerator) : 4;
    transport_.tsig_denom = signatureValid ? timeSignaturePart(context->timeSigDenominator) : 4;

    transport_.bar_start = (state & ProcessContext::kBarPositionValid)
                               ? saturated(std::trunc(context->barPositionMusic * fixedPointFactor))
                               : 0;
    transport_.bar_number = 0;
    transport_.flags = flags;
    process_.steady_time = context->projectTimeSamples;
}

bool ProcessAdapter::connectBuffers(const ProcessData& data, std::uint32_t frames) {
    if (data.symbolicSampleSize != kSample32) {
        return false;  // the CLAP buffers are connected as 32-bit only
    }
    return inputBuffers_.connect(data.inputs, data.numInputs, frames) &&
           outputBuffers_.connect(data.outputs, data.numOutputs, frames);
}

std::uint32_t ProcessAdapter::inputEventsSize(const clap_input_events_t* list) {
    const auto* self = static_cast<const ProcessAdapter*>(list->ctx);
    return static_cast<std::uint32_t>(self->order_.size());
}

const clap_event_header_t* ProcessAdapter::inputEventsGet(const clap_input_events_t* list,
                                                          std::uint32_t index) {
    const auto* self = static_cast<const ProcessAdapter*>(list->ctx);
    return index < self->order_.size() ? &self->events_[self->order_[index]].header : nullptr;
}

bool ProcessAdapter::outputEventsTryPush(const clap_output_events_t* list,
                                         const clap_event_header_t* event) {
    return static_cast<ProcessAdapter*>(list->ctx)->enqueueOutputEvent(event);
}

}  // namespace Clap
