#pragma once

// A process adapter set up as its VST3 component would set it up, around a recording fake CLAP
// plug-in (with or without a params extension) and recording host fakes.

#include "clap/host.hpp"
#include "host_fakes.hpp"
#include "process_adapter.hpp"
#include "vst3_parameter.hpp"

#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "public.sdk/source/vst/vstbus.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace process_testing {

using namespace Steinberg;
using namespace Steinberg::Vst;

// What the owner is told about the plug-in's gestures, as lines ("begin 3", "perform 3 0.5",
// "end 3").
class RecordingAutomation : public Clap::IAutomation {
public:
    void onBeginEdit(clap_id id) override { calls.push_back("begin " + std::to_string(id)); }
    void onPerformEdit(const clap_event_param_value_t* value) override {
        calls.push_back("perform " + std::to_string(value->param_id) + " " +
                        std::to_string(value->value));
    }
    void onEndEdit(clap_id id) override { calls.push_back("end " + std::to_string(id)); }
    std::vector<std::string> calls;
};

// One CLAP event as the plug-in received it.
union ReceivedEvent {
    clap_event_header_t header;
    clap_event_note_t note;
    clap_event_note_expression_t expression;
    clap_event_param_value_t value;
    clap_event_midi_t midi;
    clap_event_midi_sysex_t sysex;
};

// One call the plug-in received: `process` or the params extension's `flush`.
struct Call {
    bool flush = false;
    std::uint32_t frames = 0;
    std::int64_t steadyTime = 0;
    bool hasTransport = false;
    clap_event_transport_t transport{};
    std::vector<ReceivedEvent> events;
    std::vector<float**> inputs, outputs;
};

// A CLAP plug-in that records its calls and pushes `toPush` from each of them, recording what
// try_push answered.
class FakePlugin {
public:
    explicit FakePlugin(bool withParams = true);
    FakePlugin(const FakePlugin&) = delete;
    FakePlugin& operator=(const FakePlugin&) = delete;

    const clap_plugin_t* plugin() const { return &plugin_; }
    const clap_plugin_params_t* params() const { return withParams_ ? &params_ : nullptr; }

    // Records the events of each call (set false where a test counts allocations).
    bool record = true;
    std::vector<Call> calls;
    // Raw event records, pushed in order from each call.
    std::vector<std::vector<std::uint8_t>> toPush;
    std::vector<bool> pushResults;

    template <class Record>
    void push(const Record& record) {
        std::vector<std::uint8_t> bytes(sizeof record);
        std::memcpy(bytes.data(), &record, sizeof record);
        toPush.push_back(std::move(bytes));
    }

private:
    void received(bool flush, const clap_input_events_t* in, const clap_output_events_t* out,
                  const clap_process_t* process);

    bool withParams_;
    clap_plugin_t plugin_{};
    clap_plugin_params_t params_{};
};

// The adapter between a fake plug-in and the host's buses: one stereo input and one stereo
// output bus unless told otherwise, and plug-in parameters in a container.
class AdapterFixture {
public:
    explicit AdapterFixture(bool withParams = true, int inputBuses = 1, int outputBuses = 1);
    ~AdapterFixture();

    // Sets up (again), as the component does on activation.
    void setup(bool polyPressureExpressions = true, bool tuningExpressions = false);
    // Adds a plug-in parameter (CLAP id, range, flags) or a MIDI-mapping parameter.
    Vst3Parameter& addParameter(clap_id id, double minimum, double maximum,
                                clap_param_info_flags flags = 0);
    Vst3Parameter& addMidiParameter(std::uint8_t channel, std::uint8_t controller, ParamID id);

    // A block of `samples` frames whose host buffers match the buses.
    ProcessData block(int32 samples);
    // Runs one block and returns the call the plug-in received.
    const Call& run(ProcessData data);
    const Call& run(int32 samples = 64) { return run(block(samples)); }

    FakePlugin fake;
    BusList inputBuses{kAudio, kInput};
    BusList outputBuses{kAudio, kOutput};
    ParameterContainer parameters;
    RecordingAutomation automation;
    std::vector<std::uint32_t> gestures;
    Clap::ProcessAdapter adapter;

    EventList inputEvents, outputEvents;
    ParameterChanges inputChanges, outputChanges;
    ProcessContext context{};

private:
    std::vector<std::vector<float>> channels_;
    std::vector<std::array<float*, 2>> pointers_;
    std::vector<AudioBusBuffers> inputRecords_, outputRecords_;
};

// Builders of VST3 input events.
Event noteOn(int32 offset, int16 pitch, int32 noteId, int16 channel = 0, float tuning = 0);
Event noteOff(int32 offset, int16 pitch, int32 noteId, int16 channel = 0);
Event polyPressure(int32 offset, int32 noteId, float pressure, int16 channel = 0);
Event expression(int32 offset, int32 noteId, NoteExpressionTypeID type, double value);

// Builders of CLAP output events.
clap_event_midi_t clapMidi(std::uint32_t time, std::uint8_t status, std::uint8_t data1,
                           std::uint8_t data2);

}  // namespace process_testing
