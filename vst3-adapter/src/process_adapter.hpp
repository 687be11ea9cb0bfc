#pragma once

// One VST3 process call as one CLAP process call: the host's transport, input events and
// parameter changes become the CLAP input events of the block, the CLAP buffers point at the
// host's channels, and what the plug-in pushes becomes VST3 note and MIDI controller events,
// output parameter changes and edit gestures.
// Threads: `process` on the host's audio thread under the owner's process lock, `flush` and
// `setupProcessing` on the main thread while the owner is not processing, `takeDroppedEvents` on
// the main thread at any time. Owner: the VST3 component, from activation to deactivation; it
// owns everything passed to `setupProcessing`.

#include "bus_buffers.hpp"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vstparameters.h"

#include <clap/events.h>
#include <clap/ext/params.h>
#include <clap/plugin.h>
#include <clap/process.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

class Vst3Parameter;

namespace Clap {

class IAutomation;

// Seconds or beats as CLAP fixed-point times: value x 2^31, to the nearest, halves away from
// zero; saturated at the ends of int64, NaN gives 0.
clap_sectime doubleToSecTime(double seconds);
clap_beattime doubleToBeatTime(double beats);

class ProcessAdapter {
public:
    // A note the host has started and not yet ended, for note expressions and poly pressure.
    struct ActiveNote {
        bool used = false;
        std::int32_t noteId = -1;
        std::int16_t portIndex = 0;
        std::int16_t channel = 0;
        std::int16_t key = 0;
    };
    // Notes held at once; a note started while all are held is not tracked.
    static constexpr std::size_t maxActiveNotes = 128;
    // Events a block holds; the host's events past them are dropped, never allocated for. While
    // notes are held, the last slots are kept for their ends.
    static constexpr std::size_t reservedEvents = 8192;
    // The host's events (and, apart, its parameter queues) a block reads at most: once only the
    // ends of held notes fit, the reading goes on this far to find them, and stops.
    static constexpr std::size_t maxEventsRead = 2 * reservedEvents;

    ProcessAdapter() = default;
    ProcessAdapter(const ProcessAdapter&) = delete;
    ProcessAdapter& operator=(const ProcessAdapter&) = delete;

    // `maxSamplesPerBlock` is the room reserved for the channels a host leaves out of a bus's
    // record; the event bus counts are accepted for the owner's convenience and not needed.
    // `activeGestures` holds the VST3 ids with an open plug-in gesture; no more are held than the
    // owner reserved room for.
    void setupProcessing(const clap_plugin_t* plugin, const clap_plugin_params_t* params,
                         Steinberg::Vst::BusList& audioInputs,
                         Steinberg::Vst::BusList& audioOutputs, std::uint32_t maxSamplesPerBlock,
                         std::size_t eventInputBuses, std::size_t eventOutputBuses,
                         Steinberg::Vst::ParameterContainer& parameters,
                         Steinberg::Vst::IComponentHandler* componentHandler,
                         IAutomation* automation, std::vector<std::uint32_t>& activeGestures,
                         bool polyPressureExpressions, bool tuningExpressions);

    // One block. A block whose buffers do not match the buses (see BusBuffers::connect), or of
    // no samples, becomes a parameter flush with the block's input events.
    void process(Steinberg::Vst::ProcessData& data);
    // Hands the plug-in an empty event list to take parameter changes out (main thread).
    void flush();
    // The host's events and parameter changes dropped for want of room since the last call.
    std::uint64_t takeDroppedEvents() { return droppedEvents_.exchange(0); }

    void activateAudioBus(Steinberg::Vst::BusDirection, Steinberg::int32 /*index*/,
                          Steinberg::TBool /*state*/) {}
    void processOutputParams(Steinberg::Vst::ProcessData&) {}

private:
    // One CLAP event built here; every kind fits.
    union EventSlot {
        clap_event_header_t header;
        clap_event_note_t note;
        clap_event_note_expression_t expression;
        clap_event_param_value_t value;
        clap_event_midi_t midi;
        clap_event_midi_sysex_t sysex;
    };

    void translateTransport(const Steinberg::Vst::ProcessContext* context);
    void processInputEvents(Steinberg::Vst::IEventList* events, Steinberg::int32 samples);
    void processParameterChanges(Steinberg::Vst::IParameterChanges* changes,
                                 Steinberg::int32 samples);
    bool connectBuffers(const Steinberg::Vst::ProcessData& data, std::uint32_t frames);
    // Stores the record when `keep` slots stay free after it (those kept for the ends of held
    // notes); else counts it as dropped. True when stored.
    template <class Record>
    bool enqueue(const Record& record, std::size_t keep = 0);

    void enterNote(const clap_event_note_t& note);
    void releaseNotes(std::int32_t noteId, std::int16_t port, std::int16_t channel);
    void releaseEndedNote(const clap_event_note_t& note);
    bool endsHeldNote(const clap_event_note_t& note) const;
    bool gestureOpen(std::uint32_t id) const;
    Vst3Parameter* parameterByClapId(clap_id id) const;
    Vst3Parameter* parameterByVst3Id(Steinberg::Vst::ParamID id) const;

    bool enqueueOutputEvent(const clap_event_header_t* event);
    void addOutputEvent(Steinberg::Vst::Event& event);
    void addOutputMidi(const clap_event_midi_t& midi);
    void addOutputNote(const clap_event_note_t& note, bool on);
    void outputParameterValue(const clap_event_param_value_t& value);

    static std::uint32_t inputEventsSize(const clap_input_events_t* list);
    static const clap_event_header_t* inputEventsGet(const clap_input_events_t* list,
                                                     std::uint32_t index);
    static bool outputEventsTryPush(const clap_output_events_t* list,
                                    const clap_event_header_t* event);

    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_params_t* params_ = nullptr;
    Steinberg::Vst::ParameterContainer* parameters_ = nullptr;
    Steinberg::Vst::IComponentHandler* componentHandler_ = nullptr;
    IAutomation* automation_ = nullptr;
    Steinberg::Vst::BusList* inputBuses_ = nullptr;
    Steinberg::Vst::BusList* outputBuses_ = nullptr;
    std::vector<std::uint32_t>* activeGestures_ = nullptr;

    std::array<ActiveNote, maxActiveNotes> activeNotes_{};
    std::size_t heldNotes_ = 0;  // entries of activeNotes_ in use
    BusBuffers inputBuffers_;
    BusBuffers outputBuffers_;
    clap_event_transport_t transport_{};
    clap_input_events_t inputEvents_{};
    clap_output_events_t outputEvents_{};
    clap_process_t process_{};
    Steinberg::Vst::ProcessData* data_ = nullptr;

    std::vector<EventSlot> events_;
    std::vector<std::uint32_t> order_;
    std::uint64_t blockDrops_ = 0;
    // Added to by the audio thread once a block, taken by the main thread.
    std::atomic<std::uint64_t> droppedEvents_{0};
    bool polyPressureExpressions_ = false;
    bool tuningExpressions_ = false;
};

}  // namespace Clap
