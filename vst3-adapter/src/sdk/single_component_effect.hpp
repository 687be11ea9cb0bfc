#pragma once

// A VST3 component and edit controller in one object: the base of an effect whose processor and
// controller are not split. Owns four bus lists (audio and event, in and out); answers the bus,
// activation and sample-size questions of IComponent and IAudioProcessor from them.
// Threads: the host's main thread for everything but `process` (audio thread). Reference
// counted; the creator holds the first reference.

#include "base/source/fobject.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace Steinberg::Vst {

// IComponent and IEditController both have a getState/setState slot of one signature, which C++
// would fill with one function. These two pass each interface's slots on to functions of their
// own, so a class that is both can answer them apart; both answer kNotImplemented until
// overridden.
class ComponentStateSlots : public IComponent {
public:
    tresult PLUGIN_API setState(IBStream* state) final { return componentSetState(state); }
    tresult PLUGIN_API getState(IBStream* state) final { return componentGetState(state); }

protected:
    virtual tresult componentSetState(IBStream*) { return kNotImplemented; }
    virtual tresult componentGetState(IBStream*) { return kNotImplemented; }
};

class ControllerStateSlots : public EditControllerEx1 {
public:
    tresult PLUGIN_API setState(IBStream* state) final { return controllerSetState(state); }
    tresult PLUGIN_API getState(IBStream* state) final { return controllerGetState(state); }

protected:
    virtual tresult controllerSetState(IBStream*) { return kNotImplemented; }
    virtual tresult controllerGetState(IBStream*) { return kNotImplemented; }
};

class SingleComponentEffect : public ControllerStateSlots,
                              public ComponentStateSlots,
                              public IAudioProcessor,
                              public IProcessContextRequirements {
public:
    SingleComponentEffect();
    ~SingleComponentEffect() override;

    AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arrangement,
                            BusType type = kMain, int32 flags = BusInfo::kDefaultActive);
    AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arrangement,
                             BusType type = kMain, int32 flags = BusInfo::kDefaultActive);
    EventBus* addEventInput(const TChar* name, int32 channels = 16, BusType type = kMain,
                            int32 flags = BusInfo::kDefaultActive);
    EventBus* addEventOutput(const TChar* name, int32 channels = 16, BusType type = kMain,
                             int32 flags = BusInfo::kDefaultActive);
    void removeAudioBusses();
    void removeEventBusses();
    // The list of one media type and direction; null for any other pair.
    BusList* getBusList(MediaType type, BusDirection direction);

    // What `getProcessContextRequirements` reports (IProcessContextRequirements flags); 0 at first.
    void setProcessContextRequirements(uint32 flags) { processContextRequirements = flags; }

    // IPluginBase
    tresult PLUGIN_API initialize(FUnknown* context) override;
    tresult PLUGIN_API terminate() override;

    // IComponent
    tresult PLUGIN_API getControllerClassId(TUID classId) override;
    tresult PLUGIN_API setIoMode(IoMode mode) override;
    int32 PLUGIN_API getBusCount(MediaType type, BusDirection direction) override;
    tresult PLUGIN_API getBusInfo(MediaType type, BusDirection direction, int32 index,
                                  BusInfo& info) override;
    tresult PLUGIN_API getRoutingInfo(RoutingInfo& in, RoutingInfo& out) override;
    tresult PLUGIN_API activateBus(MediaType type, BusDirection direction, int32 index,
                                   TBool state) override;
    tresult PLUGIN_API setActive(TBool state) override;

    // IAudioProcessor
    tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                          SpeakerArrangement* outputs, int32 numOuts) override;
    tresult PLUGIN_API getBusArrangement(BusDirection direction, int32 index,
                                         SpeakerArrangement& arrangement) override;
    tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
    uint32 PLUGIN_API getLatencySamples() override { return 0; }
    tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override;
    tresult PLUGIN_API setProcessing(TBool state) override;
    tresult PLUGIN_API process(ProcessData& data) override;
    uint32 PLUGIN_API getTailSamples() override { return kNoTail; }

    // IProcessContextRequirements
    uint32 PLUGIN_API getProcessContextRequirements() override { return processContextRequirements; }

    // The index checks the SDK's versions lack: a bad index answers kResultFalse.
    tresult PLUGIN_API getParameterInfo(int32 index, ParameterInfo& info) override;
    tresult PLUGIN_API getUnitInfo(int32 index, UnitInfo& info) override;

    // One reference count for every interface; the count is read only through the atomic add.
    uint32 PLUGIN_API addRef() override;
    uint32 PLUGIN_API release() override;
    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override;

    OBJ_METHODS(SingleComponentEffect, EditControllerEx1)

protected:
    ProcessSetup processSetup{};
    uint32 processContextRequirements = 0;
    BusList audioInputs{kAudio, kInput};
    BusList audioOutputs{kAudio, kOutput};
    BusList eventInputs{kEvent, kInput};
    BusList eventOutputs{kEvent, kOutput};
};

}  // namespace Steinberg::Vst
