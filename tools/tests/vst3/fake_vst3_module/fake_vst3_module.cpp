// A stand-in VST3 module for the VST3 host's tests: one audio-module class whose component
// journals the calls it gets, sends controller 16 with the block count at the start of every
// block, sends each incoming note back at its offset, and keeps the state it is given.
#include <sstream>
#include <string>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "sdk/module_init.hpp"
#include "sdk/plugin_factory.hpp"
#include "sdk/single_component_effect.hpp"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::string journal;
std::string state;
int blocks = 0;

void note(const std::string& line) {
    journal += line + "\n";
}

class FakeComponent : public SingleComponentEffect {
  public:
    FakeComponent() { note("created"); }
    ~FakeComponent() override { note("destroyed"); }

    tresult PLUGIN_API initialize(FUnknown* context) override {
        std::string name = "none";
        IHostApplication* host = nullptr;
        if (context != nullptr &&
            context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&host)) ==
                kResultOk) {
            String128 wide{};
            host->getName(wide);
            name.clear();
            for (const char16* c = wide; *c != 0; ++c) name += static_cast<char>(*c);
            host->release();
        }
        note("initialize " + name);
        const tresult result = SingleComponentEffect::initialize(context);
        addAudioOutput(u"main", SpeakerArr::kStereo);
        addEventInput(u"notes in");
        addEventOutput(u"CCs out");
        return result;
    }
    tresult PLUGIN_API terminate() override {
        note("terminate");
        return SingleComponentEffect::terminate();
    }
    tresult PLUGIN_API activateBus(MediaType type, BusDirection direction, int32 index,
                                   TBool on) override {
        std::ostringstream line;
        line << "activateBus " << type << " " << direction << " " << index << " " << int{on};
        note(line.str());
        return SingleComponentEffect::activateBus(type, direction, index, on);
    }
    tresult componentSetState(IBStream* stream) override {
        state.clear();
        char buffer[256];
        int32 read = 0;
        while (stream->read(buffer, sizeof buffer, &read) == kResultOk && read > 0) {
            state.append(buffer, static_cast<std::size_t>(read));
        }
        note("setState " + state);
        return kResultOk;
    }
    tresult componentGetState(IBStream* stream) override {
        note("getState");
        int32 written = 0;
        return stream->write(state.data(), static_cast<int32>(state.size()), &written);
    }
    tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override {
        std::ostringstream line;
        line << "setupProcessing " << setup.processMode << " " << setup.symbolicSampleSize << " "
             << setup.maxSamplesPerBlock << " " << setup.sampleRate;
        note(line.str());
        return SingleComponentEffect::setupProcessing(setup);
    }
    tresult PLUGIN_API setActive(TBool on) override {
        note("setActive " + std::to_string(int{on}));
        return SingleComponentEffect::setActive(on);
    }
    tresult PLUGIN_API setProcessing(TBool on) override {
        note("setProcessing " + std::to_string(int{on}));
        return kResultOk;
    }
    tresult PLUGIN_API process(ProcessData& data) override {
        const ProcessContext* c = data.processContext;
        std::ostringstream line;
        line << "process " << data.numSamples << " " << data.numOutputs << " "
             << (data.numOutputs > 0 ? data.outputs[0].numChannels : 0);
        if (c != nullptr) {
            line << " state " << c->state << " at " << c->projectTimeSamples << " music "
                 << c->projectTimeMusic << " bar " << c->barPositionMusic << " tempo " << c->tempo
                 << " " << c->timeSigNumerator << "/" << c->timeSigDenominator;
        }
        note(line.str());
        Event cc{};
        cc.type = Event::kLegacyMIDICCOutEvent;
        cc.midiCCOut = {16, 0, static_cast<int8>(blocks++ & 0x7F), 0};
        data.outputEvents->addEvent(cc);
        for (int32 i = 0; data.inputEvents != nullptr && i < data.inputEvents->getEventCount();
             ++i) {
            Event in{};
            data.inputEvents->getEvent(i, in);
            data.outputEvents->addEvent(in);
        }
        return kResultOk;
    }
};

FUnknown* createComponent(void*) {
    return static_cast<IAudioProcessor*>(new FakeComponent);
}

}  // namespace

extern "C" {

SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
    note("GetPluginFactory");
    if (gPluginFactory != nullptr) {
        gPluginFactory->addRef();
        return gPluginFactory;
    }
    auto* factory = new CPluginFactory(PFactoryInfo("Fake", "", "", PFactoryInfo::kUnicode));
    const TUID controller = INLINE_UID(1, 2, 3, 4);
    const TUID component = INLINE_UID(5, 6, 7, 8);
    const PClassInfo2 other(controller, PClassInfo::kManyInstances, "Component Controller Class",
                            "Fake Controller", 0, "", "Fake", "1", "VST 3.8.0");
    const PClassInfo2 audio(component, PClassInfo::kManyInstances, "Audio Module Class", "Fake",
                            0, "Fx", "Fake", "1", "VST 3.8.0");
    factory->registerClass(&other, &createComponent);
    factory->registerClass(&audio, &createComponent);
    gPluginFactory = factory;
    return factory;
}

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* handle) {
    note("ModuleEntry");
    return bundleEntry(handle);
}

SMTG_EXPORT_SYMBOL bool ModuleExit() {
    note("ModuleExit");
    return bundleExit();
}

SMTG_EXPORT_SYMBOL const char* fake_vst3_journal() {
    return journal.c_str();
}

SMTG_EXPORT_SYMBOL void fake_vst3_reset() {
    journal.clear();
    state.clear();
    blocks = 0;
}
}
