#include "vst3/run_vst3_host.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "event_line.hpp"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "run_steps.hpp"
#include "vst3/block_io.hpp"
#include "vst3/host_objects.hpp"
#include "vst3/vst3_module.hpp"

namespace ondrix_tools {

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr const char* kAudioModuleClass = "Audio Module Class";

// A counted interface pointer that releases what it holds.
template <class Interface>
class Held {
  public:
    Held() = default;
    explicit Held(Interface* object) : object_(object) {}
    ~Held() {
        if (object_ != nullptr) object_->release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

    Interface* operator->() const { return object_; }
    Interface* get() const { return object_; }
    void** out() { return reinterpret_cast<void**>(&object_); }

  private:
    Interface* object_ = nullptr;
};

// The instance and how far it got; shuts it down in the right order however the run ends.
class ComponentSession {
  public:
    ComponentSession(IComponent* component, IAudioProcessor* processor)
        : component_(component), processor_(processor) {}
    ComponentSession(const ComponentSession&) = delete;
    ComponentSession& operator=(const ComponentSession&) = delete;
    ~ComponentSession() {
        stop();
        deactivate();
        if (initialized_) component_->terminate();
    }

    bool initialize(FUnknown* host) {
        initialized_ = component_->initialize(host) == kResultOk;
        return initialized_;
    }
    bool activate() {
        active_ = component_->setActive(true) == kResultOk;
        return active_;
    }
    bool start() {
        // Hosts go on when a plug-in answers kNotImplemented: it needs no such call.
        const tresult result = processor_->setProcessing(true);
        processing_ = result == kResultOk || result == kNotImplemented;
        return processing_;
    }
    void stop() {
        if (processing_) processor_->setProcessing(false);
        processing_ = false;
    }
    void deactivate() {
        if (active_) component_->setActive(false);
        active_ = false;
    }

  private:
    IComponent* component_;
    IAudioProcessor* processor_;
    bool initialized_ = false;
    bool active_ = false;
    bool processing_ = false;
};

std::uint8_t midi_byte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 127L));
}

// The line of one output event: a MIDI message reads as run_host prints it; any other event
// "<sample> event vst3:<type>". An event on a bus other than 0 says so after the sample.
std::string vst3_event_line(std::uint64_t block_start, const Event& event) {
    RecordedEvent recorded;
    recorded.time = static_cast<std::uint32_t>(std::max(event.sampleOffset, 0));
    recorded.is_midi = true;
    const auto channel = [](int value) { return static_cast<std::uint8_t>(value & 0x0F); };
    switch (event.type) {
        case Event::kNoteOnEvent:
            recorded.midi = {static_cast<std::uint8_t>(0x90 | channel(event.noteOn.channel)),
                             midi_byte(event.noteOn.pitch), midi_byte(event.noteOn.velocity * 127.0)};
            break;
        case Event::kNoteOffEvent:
            recorded.midi = {static_cast<std::uint8_t>(0x80 | channel(event.noteOff.channel)),
                             midi_byte(event.noteOff.pitch),
                             midi_byte(event.noteOff.velocity * 127.0)};
            break;
        case Event::kLegacyMIDICCOutEvent: {
            const LegacyMIDICCOutEvent& cc = event.midiCCOut;
            const auto value = static_cast<std::uint8_t>(cc.value & 0x7F);
            const auto value2 = static_cast<std::uint8_t>(cc.value2 & 0x7F);
            if (cc.controlNumber < 128) {
                recorded.midi = {static_cast<std::uint8_t>(0xB0 | channel(cc.channel)),
                                 cc.controlNumber, value};
            } else if (cc.controlNumber == kAfterTouch) {
                recorded.midi = {static_cast<std::uint8_t>(0xD0 | channel(cc.channel)), value, 0};
            } else if (cc.controlNumber == kPitchBend) {
                recorded.midi = {static_cast<std::uint8_t>(0xE0 | channel(cc.channel)), value,
                                 value2};
            } else if (cc.controlNumber == kCtrlProgramChange) {
                recorded.midi = {static_cast<std::uint8_t>(0xC0 | channel(cc.channel)), value, 0};
            } else if (cc.controlNumber == kCtrlPolyPressure) {
                recorded.midi = {static_cast<std::uint8_t>(0xA0 | channel(cc.channel)), value,
                                 value2};
            } else {
                recorded.is_midi = false;
            }
            break;
        }
        default:
            recorded.is_midi = false;
            break;
    }
    std::string line = recorded.is_midi
                           ? event_line(block_start, recorded)
                           : fmt::format("{} event vst3:{}", block_start + recorded.time, event.type);
    if (event.busIndex != 0) {
        const std::size_t blank = line.find(' ');
        line.insert(blank, fmt::format(" bus {}", event.busIndex));
    }
    return line;
}

Event note_event(const NoteIn& note, bool on, std::int32_t offset) {
    Event event{};
    event.busIndex = 0;
    event.sampleOffset = offset;
    if (on) {
        event.type = Event::kNoteOnEvent;
        event.noteOn = {note.channel, note.pitch, 0.0f, note.velocity, 0, -1};
    } else {
        event.type = Event::kNoteOffEvent;
        event.noteOff = {note.channel, note.pitch, 0.0f, -1, 0.0f};
    }
    return event;
}

// The steps after the module is open; returns false with error set at the first that fails.
bool run_component(const HostOptions& options, const Vst3Module& module, RunFiles& files,
                   const std::vector<NoteIn>& notes, AudioOutputs audio_outputs, std::ostream& out,
                   std::string& error) {
    const std::optional<StateFile>& state = files.state;
    IPluginFactory& factory = module.factory();
    std::optional<PClassInfo> audio_class;
    for (int32 i = 0; i < factory.countClasses() && !audio_class; ++i) {
        PClassInfo info;
        if (factory.getClassInfo(i, &info) == kResultOk &&
            std::string_view(info.category, strnlen(info.category, sizeof info.category)) ==
                kAudioModuleClass) {
            audio_class = info;
        }
    }
    if (!audio_class) {
        error = "The module's factory lists no audio-module class";
        return false;
    }
    Held<IComponent> component;
    if (factory.createInstance(audio_class->cid, IComponent::iid.toTUID(), component.out()) !=
            kResultOk ||
        component.get() == nullptr) {
        error = "The module's factory couldn't create '" +
                std::string(audio_class->name, strnlen(audio_class->name, sizeof audio_class->name)) +
                "'";
        return false;
    }
    Held<IAudioProcessor> processor;
    if (component->queryInterface(IAudioProcessor::iid.toTUID(), processor.out()) != kResultOk ||
        processor.get() == nullptr) {
        error = "The component is no audio processor";
        return false;
    }

    HostApplication host;
    ComponentSession session(component.get(), processor.get());
    if (!session.initialize(&host)) {
        error = "The component failed to initialise";
        return false;
    }
    for (MediaType type : {kAudio, kEvent}) {
        for (BusDirection direction : {kInput, kOutput}) {
            for (int32 i = 0; i < component->getBusCount(type, direction); ++i) {
                const bool off = type == kAudio && direction == kOutput &&
                                 audio_outputs == AudioOutputs::inactive;
                component->activateBus(type, direction, i, !off);
            }
        }
    }
    if (state) {
        ByteStream stream(state->document);
        if (component->setState(&stream) != kResultOk) {
            error = refused_state_error("The component", *state);
            return false;
        }
    }

    ProcessSetup setup{kRealtime, kSample32, static_cast<int32>(kBlockFrames), kSampleRate};
    if (processor->setupProcessing(setup) != kResultOk) {
        error = "The component refused its processing set-up";
        return false;
    }
    if (!session.activate()) {
        error = "The component failed to activate";
        return false;
    }
    BlockIo io(*component.get(), kBlockFrames, audio_outputs == AudioOutputs::active);
    if (!session.start()) {
        error = "The component failed to start processing";
        return false;
    }

    const auto process_block = [&](std::uint64_t frame, std::uint32_t frames) {
        ProcessContext context =
            block_context(frame, kSampleRate, options.tempo, !options.stopped);
        io.in_events.clear();
        for (const NoteIn& note : notes) {
            if (note.sample >= frame && note.sample < frame + frames) {
                Event on = note_event(note, true, static_cast<std::int32_t>(note.sample - frame));
                io.in_events.addEvent(on);
            }
            const std::uint64_t off = note.sample + kBlockFrames;
            if (off >= frame && off < frame + frames) {
                Event event = note_event(note, false, static_cast<std::int32_t>(off - frame));
                io.in_events.addEvent(event);
            }
        }
        ProcessData data = io.data(frames, context);
        if (processor->process(data) != kResultOk) return false;
        for (const Event& event : io.out_events.events()) {
            out << vst3_event_line(frame, event) << '\n';
        }
        io.out_events.clear();
        return true;
    };
    if (!run_blocks(options.seconds, "The component", error, process_block)) return false;
    session.stop();

    const auto save = [&]() -> std::optional<std::string> {
        ByteStream stream;
        if (component->getState(&stream) != kResultOk) return std::nullopt;
        return stream.bytes();
    };
    if (!save_state(files, "The component", save, error)) return false;
    session.deactivate();
    return true;
}

}  // namespace

ProcessContext block_context(std::uint64_t frame, double sample_rate, double tempo,
                             bool playing) {
    const std::uint64_t at = playing ? frame : 0;
    const double seconds = static_cast<double>(at) / sample_rate;
    const double beats = seconds * tempo / 60.0;
    ProcessContext context{};
    context.state = ProcessContext::kTempoValid | ProcessContext::kTimeSigValid |
                    ProcessContext::kProjectTimeMusicValid | ProcessContext::kBarPositionValid |
                    ProcessContext::kContTimeValid | (playing ? ProcessContext::kPlaying : 0);
    context.sampleRate = sample_rate;
    context.projectTimeSamples = static_cast<TSamples>(at);
    context.continousTimeSamples = static_cast<TSamples>(frame);
    context.projectTimeMusic = beats;
    context.barPositionMusic = std::floor(beats / 4.0) * 4.0;
    context.tempo = tempo;
    context.timeSigNumerator = 4;
    context.timeSigDenominator = 4;
    return context;
}

int run_vst3_host(const HostOptions& options, std::ostream& out, std::ostream& err,
                  const std::vector<NoteIn>& notes, AudioOutputs audio_outputs) {
    return run_with_files(
        options, "ondrix-vst3-host", out, err, [&](RunFiles& files, std::string& error) {
            const std::unique_ptr<Vst3Module> module = Vst3Module::load(options.module, error);
            return module != nullptr &&
                   run_component(options, *module, files, notes, audio_outputs, out, error);
        });
}

}  // namespace ondrix_tools
