#include "adapter_fixture.hpp"

#include <algorithm>

#include <gtest/gtest.h>

namespace process_testing {

FakePlugin::FakePlugin(bool withParams) : withParams_(withParams) {
    plugin_.plugin_data = this;
    plugin_.process = [](const clap_plugin_t* plugin, const clap_process_t* process) {
        static_cast<FakePlugin*>(plugin->plugin_data)
            ->received(false, process->in_events, process->out_events, process);
        return clap_process_status{CLAP_PROCESS_CONTINUE};
    };
    params_.count = [](const clap_plugin_t*) { return 0u; };
    params_.flush = [](const clap_plugin_t* plugin, const clap_input_events_t* in,
                       const clap_output_events_t* out) {
        static_cast<FakePlugin*>(plugin->plugin_data)->received(true, in, out, nullptr);
    };
}

void FakePlugin::received(bool flush, const clap_input_events_t* in,
                          const clap_output_events_t* out, const clap_process_t* process) {
    if (record) {
        Call& call = calls.emplace_back();
        call.flush = flush;
        if (process != nullptr) {
            call.frames = process->frames_count;
            call.steadyTime = process->steady_time;
            call.hasTransport = process->transport != nullptr;
            if (process->transport != nullptr) {
                call.transport = *process->transport;
            }
            for (std::uint32_t i = 0; i < process->audio_inputs_count; ++i) {
                call.inputs.push_back(process->audio_inputs[i].data32);
            }
            for (std::uint32_t i = 0; i < process->audio_outputs_count; ++i) {
                call.outputs.push_back(process->audio_outputs[i].data32);
            }
        }
        for (std::uint32_t i = 0; i < in->size(in); ++i) {
            const clap_event_header_t* header = in->get(in, i);
            ReceivedEvent& event = call.events.emplace_back();
            std::memset(&event, 0, sizeof event);
            std::memcpy(&event, header, std::min<std::size_t>(header->size, sizeof event));
        }
        EXPECT_EQ(in->get(in, in->size(in)), nullptr);
    }
    for (const auto& bytes : toPush) {
        const bool pushed = out->try_push(out, reinterpret_cast<const clap_event_header_t*>(bytes.data()));
        if (record) {
            pushResults.push_back(pushed);
        }
    }
}

AdapterFixture::AdapterFixture(bool withParams, int inputBuses, int outputBuses)
    : fake(withParams) {
    for (int i = 0; i < inputBuses; ++i) {
        this->inputBuses.push_back(
            owned(new AudioBus(u"in", kMain, BusInfo::kDefaultActive, SpeakerArr::kStereo)));
    }
    for (int i = 0; i < outputBuses; ++i) {
        this->outputBuses.push_back(
            owned(new AudioBus(u"out", kMain, BusInfo::kDefaultActive, SpeakerArr::kStereo)));
    }
    parameters.init();
    gestures.reserve(8192);
    inputEvents.events.reserve(1 << 16);
    outputEvents.events.reserve(1 << 16);
    setup();
}

AdapterFixture::~AdapterFixture() = default;

void AdapterFixture::setup(bool polyPressureExpressions, bool tuningExpressions) {
    adapter.setupProcessing(fake.plugin(), fake.params(), inputBuses, outputBuses, 4096, 1, 1,
                            parameters, nullptr, &automation, gestures, polyPressureExpressions,
                            tuningExpressions);
}

Vst3Parameter& AdapterFixture::addParameter(clap_id id, double minimum, double maximum,
                                            clap_param_info_flags flags) {
    clap_param_info_t info{};
    info.id = id;
    info.flags = flags;
    info.min_value = minimum;
    info.max_value = maximum;
    info.default_value = minimum;
    Vst3Parameter* parameter = Vst3Parameter::create(info, {});
    parameters.addParameter(parameter);
    return *parameter;
}

Vst3Parameter& AdapterFixture::addMidiParameter(std::uint8_t channel, std::uint8_t controller,
                                                ParamID id) {
    Vst3Parameter* parameter = Vst3Parameter::create(0, channel, controller, id);
    parameters.addParameter(parameter);
    return *parameter;
}

ProcessData AdapterFixture::block(int32 samples) {
    const std::size_t buses = inputBuses.size() + outputBuses.size();
    channels_.assign(buses * 2, std::vector<float>(static_cast<std::size_t>(std::max(samples, 1))));
    pointers_.resize(buses);
    for (std::size_t b = 0; b < buses; ++b) {
        pointers_[b] = {channels_[2 * b].data(), channels_[2 * b + 1].data()};
    }
    inputRecords_.assign(inputBuses.size(), {});
    outputRecords_.assign(outputBuses.size(), {});
    for (std::size_t b = 0; b < buses; ++b) {
        AudioBusBuffers& record = b < inputBuses.size() ? inputRecords_[b]
                                                        : outputRecords_[b - inputBuses.size()];
        record.numChannels = 2;
        record.channelBuffers32 = pointers_[b].data();
    }

    ProcessData data;
    data.numSamples = samples;
    data.numInputs = static_cast<int32>(inputRecords_.size());
    data.numOutputs = static_cast<int32>(outputRecords_.size());
    data.inputs = inputRecords_.empty() ? nullptr : inputRecords_.data();
    data.outputs = outputRecords_.empty() ? nullptr : outputRecords_.data();
    data.inputEvents = &inputEvents;
    data.outputEvents = &outputEvents;
    data.inputParameterChanges = &inputChanges;
    data.outputParameterChanges = &outputChanges;
    data.processContext = &context;
    return data;
}

const Call& AdapterFixture::run(ProcessData data) {
    static const Call none;
    adapter.process(data);
    return fake.calls.empty() ? none : fake.calls.back();
}

Event noteOn(int32 offset, int16 pitch, int32 noteId, int16 channel, float tuning) {
    Event event{};
    event.sampleOffset = offset;
    event.type = Event::kNoteOnEvent;
    event.noteOn = {channel, pitch, tuning, 0.75f, 0, noteId};
    return event;
}

Event noteOff(int32 offset, int16 pitch, int32 noteId, int16 channel) {
    Event event{};
    event.sampleOffset = offset;
    event.type = Event::kNoteOffEvent;
    event.noteOff = {channel, pitch, 0.25f, noteId, 0};
    return event;
}

Event polyPressure(int32 offset, int32 noteId, float pressure, int16 channel) {
    Event event{};
    event.sampleOffset = offset;
    event.type = Event::kPolyPressureEvent;
    event.polyPressure = {channel, 0, pressure, noteId};
    return event;
}

Event expression(int32 offset, int32 noteId, NoteExpressionTypeID type, double value) {
    Event event{};
    event.sampleOffset = offset;
    event.type = Event::kNoteExpressionValueEvent;
    event.noteExpressionValue = {type, noteId, value};
    return event;
}

clap_event_midi_t clapMidi(std::uint32_t time, std::uint8_t status, std::uint8_t data1,
                           std::uint8_t data2) {
    clap_event_midi_t midi{};
    midi.header = {sizeof(clap_event_midi_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    midi.data[0] = status;
    midi.data[1] = data1;
    midi.data[2] = data2;
    return midi;
}

}  // namespace process_testing
