#include "sdk/single_component_effect.hpp"

#include "pluginterfaces/vst/vstspeaker.h"

namespace Steinberg::Vst {

namespace {

// The bus at `index` of `list`, or null when the list or the index is bad.
Bus* busAt(BusList* list, int32 index) {
    if (list == nullptr || index < 0 || index >= static_cast<int32>(list->size())) {
        return nullptr;
    }
    return list->at(index);
}

template <typename B, typename... Args>
B* addBus(BusList& list, Args... args) {
    auto* bus = new B(args...);
    list.emplace_back(owned(bus));
    return bus;
}

}  // namespace

SingleComponentEffect::SingleComponentEffect() = default;
SingleComponentEffect::~SingleComponentEffect() = default;

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arrangement,
                                               BusType type, int32 flags) {
    return addBus<AudioBus>(audioInputs, name, type, flags, arrangement);
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arrangement,
                                                BusType type, int32 flags) {
    return addBus<AudioBus>(audioOutputs, name, type, flags, arrangement);
}

EventBus* SingleComponentEffect::addEventInput(const TChar* name, int32 channels, BusType type,
                                               int32 flags) {
    return addBus<EventBus>(eventInputs, name, type, flags, channels);
}

EventBus* SingleComponentEffect::addEventOutput(const TChar* name, int32 channels, BusType type,
                                                int32 flags) {
    return addBus<EventBus>(eventOutputs, name, type, flags, channels);
}

void SingleComponentEffect::removeAudioBusses() {
    audioInputs.clear();
    audioOutputs.clear();
}

void SingleComponentEffect::removeEventBusses() {
    eventInputs.clear();
    eventOutputs.clear();
}

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection direction) {
    const bool input = direction == kInput;
    if (direction != kInput && direction != kOutput) {
        return nullptr;
    }
    switch (type) {
        case kAudio: return input ? &audioInputs : &audioOutputs;
        case kEvent: return input ? &eventInputs : &eventOutputs;
        default: return nullptr;
    }
}

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context) {
    return EditControllerEx1::initialize(context);
}

tresult PLUGIN_API SingleComponentEffect::terminate() {
    removeAudioBusses();
    removeEventBusses();
    return EditControllerEx1::terminate();
}

tresult PLUGIN_API SingleComponentEffect::getControllerClassId(TUID) {
    return kNotImplemented;  // the controller is this object
}

tresult PLUGIN_API SingleComponentEffect::setIoMode(IoMode) {
    return kNotImplemented;
}

int32 PLUGIN_API SingleComponentEffect::getBusCount(MediaType type, BusDirection direction) {
    const BusList* list = getBusList(type, direction);
    return list == nullptr ? 0 : static_cast<int32>(list->size());
}

tresult PLUGIN_API SingleComponentEffect::getBusInfo(MediaType type, BusDirection direction,
                                                     int32 index, BusInfo& info) {
    Bus* bus = busAt(getBusList(type, direction), index);
    if (bus == nullptr) {
        return kInvalidArgument;
    }
    info.mediaType = type;
    info.direction = direction;
    return bus->getInfo(info) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::getRoutingInfo(RoutingInfo&, RoutingInfo&) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(MediaType type, BusDirection direction,
                                                      int32 index, TBool state) {
    Bus* bus = busAt(getBusList(type, direction), index);
    if (bus == nullptr) {
        return kInvalidArgument;
    }
    bus->setActive(state);
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setActive(TBool) {
    return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::setBusArrangements(SpeakerArrangement* inputs,
                                                             int32 numIns,
                                                             SpeakerArrangement* outputs,
                                                             int32 numOuts) {
    const auto fits = [](const BusList& list, const SpeakerArrangement* given, int32 count) {
        return count >= 0 && count <= static_cast<int32>(list.size()) &&
               (count == 0 || given != nullptr);
    };
    if (!fits(audioInputs, inputs, numIns) || !fits(audioOutputs, outputs, numOuts)) {
        return kResultFalse;
    }
    for (int32 i = 0; i < numIns; ++i) {
        static_cast<AudioBus*>(audioInputs[i].get())->setArrangement(inputs[i]);
    }
    for (int32 i = 0; i < numOuts; ++i) {
        static_cast<AudioBus*>(audioOutputs[i].get())->setArrangement(outputs[i]);
    }
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(BusDirection direction, int32 index,
                                                            SpeakerArrangement& arrangement) {
    auto* bus = static_cast<AudioBus*>(busAt(getBusList(kAudio, direction), index));
    if (bus == nullptr) {
        return kResultFalse;
    }
    arrangement = bus->getArrangement();
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::setupProcessing(ProcessSetup& setup) {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) {
        return kResultFalse;
    }
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::setProcessing(TBool) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::process(ProcessData&) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::getParameterInfo(int32 index, ParameterInfo& info) {
    if (index < 0 || index >= parameters.getParameterCount()) {
        return kResultFalse;
    }
    return EditControllerEx1::getParameterInfo(index, info);
}

tresult PLUGIN_API SingleComponentEffect::getUnitInfo(int32 index, UnitInfo& info) {
    if (index < 0 || index >= static_cast<int32>(units.size())) {
        return kResultFalse;
    }
    return EditControllerEx1::getUnitInfo(index, info);
}

uint32 PLUGIN_API SingleComponentEffect::addRef() {
    return static_cast<uint32>(FUnknownPrivate::atomicAdd(refCount, 1));
}

uint32 PLUGIN_API SingleComponentEffect::release() {
    const int32 left = FUnknownPrivate::atomicAdd(refCount, -1);
    if (left == 0) {
        delete this;
        return 0;
    }
    return static_cast<uint32>(left);
}

tresult PLUGIN_API SingleComponentEffect::queryInterface(const TUID iid, void** object) {
    QUERY_INTERFACE(iid, object, IComponent::iid, IComponent)
    QUERY_INTERFACE(iid, object, IAudioProcessor::iid, IAudioProcessor)
    QUERY_INTERFACE(iid, object, IProcessContextRequirements::iid, IProcessContextRequirements)
    return EditControllerEx1::queryInterface(iid, object);
}

}  // namespace Steinberg::Vst
