// The events of a block: the host's events and parameter changes into CLAP input events, the
// plug-in's output events into VST3 events, parameter changes and gestures, and the notes held
// in between.

#include "process_adapter.hpp"

#include "clap/host.hpp"
#include "vst3_parameter.hpp"

#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Clap {

namespace {

// A sample offset inside a block of `samples` (0 for an empty block).
std::uint32_t offsetInBlock(std::int64_t offset, int32 samples) {
    if (samples <= 0 || offset <= 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::min<std::int64_t>(offset, samples - 1));
}

clap_event_header_t header(std::uint32_t size, std::uint32_t time, std::uint16_t type,
                           std::uint32_t flags = 0) {
    return {size, time, CLAP_CORE_EVENT_SPACE_ID, type, flags};
}

// A value for a MIDI data field of 0 to `maximum`, to the nearest; NaN gives 0.
int midiValue(double value, int maximum) {
    if (!(value > 0)) {
        return 0;
    }
    return value >= maximum ? maximum : static_cast<int>(std::lround(value));
}

std::uint8_t statusByte(unsigned status, int channel) {
    return static_cast<std::uint8_t>(status | (channel & 0x0F));
}

// The record size of each CLAP event type the plug-in may push; 0 for those refused outright.
std::uint32_t recordSize(std::uint16_t type) {
    switch (type) {
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF:
    case CLAP_EVENT_NOTE_CHOKE:
    case CLAP_EVENT_NOTE_END:
        return sizeof(clap_event_note_t);
    case CLAP_EVENT_NOTE_EXPRESSION:
        return sizeof(clap_event_note_expression_t);
    case CLAP_EVENT_PARAM_VALUE:
        return sizeof(clap_event_param_value_t);
    case CLAP_EVENT_PARAM_MOD:
        return sizeof(clap_event_param_mod_t);
    case CLAP_EVENT_PARAM_GESTURE_BEGIN:
    case CLAP_EVENT_PARAM_GESTURE_END:
        return sizeof(clap_event_param_gesture_t);
    case CLAP_EVENT_MIDI:
        return sizeof(clap_event_midi_t);
    case CLAP_EVENT_MIDI_SYSEX:
        return sizeof(clap_event_midi_sysex_t);
    case CLAP_EVENT_MIDI2:
        return sizeof(clap_event_midi2_t);
    default:
        return 0;
    }
}

// The plug-in's record as a value (its pointer need not suit the record's alignment).
template <class Record>
Record copyOf(const clap_event_header_t* event) {
    Record record;
    std::memcpy(&record, event, sizeof record);
    return record;
}

Event vst3Event(std::uint32_t time, uint16 type) {
    Event event{};
    event.busIndex = 0;
    event.sampleOffset = static_cast<int32>(time);
    event.ppqPosition = 0;
    event.flags = 0;
    event.type = type;
    return event;
}

}  // namespace

template <class Record>
bool ProcessAdapter::enqueue(const Record& record, std::size_t keep) {
    static_assert(sizeof(Record) <= sizeof(EventSlot));
    // A block's events past those reserved are dropped rather than allocated.
    if (events_.size() + keep >= events_.capacity()) {
        ++blockDrops_;
        return false;
    }
    order_.push_back(static_cast<std::uint32_t>(events_.size()));
    std::memcpy(&events_.emplace_back(), &record, sizeof record);
    return true;
}

// The host's claimed count is not trusted: the reading stops when the store is full, and past
// the room for anything but the ends of held notes it looks only so far for them.
void ProcessAdapter::processInputEvents(IEventList* list, int32 samples) {
    if (list == nullptr) {
        return;
    }
    const int32 count = std::max<int32>(list->getEventCount(), 0);
    int32 i = 0;
    for (; i < count && static_cast<std::size_t>(i) < maxEventsRead &&
           events_.size() < events_.capacity();
         ++i) {
        Event event{};
        if (list->getEvent(i, event) != kResultOk) {
            continue;
        }
        const std::uint32_t time = offsetInBlock(event.sampleOffset, samples);
        const std::uint32_t flags = (event.flags & Event::kIsLive) ? CLAP_EVENT_IS_LIVE : 0;
        switch (event.type) {
        case Event::kNoteOnEvent: {
            const NoteOnEvent& on = event.noteOn;
            const clap_event_note_t note{
                header(sizeof(clap_event_note_t), time, CLAP_EVENT_NOTE_ON, flags), on.noteId, 0,
                on.channel, on.pitch, on.velocity};
            // A note that will be held keeps a slot for its end.
            if (!enqueue(note, heldNotes_ + 1)) {
                break;
            }
            enterNote(note);
            if (tuningExpressions_ && on.tuning != 0) {  // NaN is not 0 either
                enqueue(clap_event_note_expression_t{
                    header(sizeof(clap_event_note_expression_t), time, CLAP_EVENT_NOTE_EXPRESSION,
                           flags),
                    CLAP_NOTE_EXPRESSION_TUNING, on.noteId, 0, on.channel, on.pitch,
                    on.tuning * 0.01}, heldNotes_);
            }
            break;
        }
        case Event::kNoteOffEvent: {
            const NoteOffEvent& off = event.noteOff;
            const clap_event_note_t note{
                header(sizeof(clap_event_note_t), time, CLAP_EVENT_NOTE_OFF, flags), off.noteId, 0,
                off.channel, off.pitch, off.velocity};
            // The end of a held note takes the slot kept for it.
            const bool held = endsHeldNote(note);
            if (enqueue(note, held ? heldNotes_ - 1 : heldNotes_)) {
                releaseEndedNote(note);
            }
            break;
        }
        case Event::kDataEvent:
            if (event.data.type == DataEvent::kMidiSysEx) {
                clap_event_midi_sysex_t sysex{};
                sysex.header =
                    header(sizeof(clap_event_midi_sysex_t), time, CLAP_EVENT_MIDI_SYSEX, flags);
                sysex.port_index = 0;
                sysex.buffer = event.data.bytes;
                sysex.size = event.data.size;
                enqueue(sysex, heldNotes_);
            }
            break;
        case Event::kPolyPressureEvent: {
            const PolyPressureEvent& pressure = event.polyPressure;
            if (polyPressureExpressions_) {
                const ActiveNote* held = nullptr;
                for (const ActiveNote& note : activeNotes_) {
                    if (note.used && note.noteId == pressure.noteId) {
                        held = &note;
                    }
                }
                if (held != nullptr) {
                    enqueue(clap_event_note_expression_t{
                        header(sizeof(clap_event_note_expression_t), time,
                               CLAP_EVENT_NOTE_EXPRESSION, flags),
                        CLAP_NOTE_EXPRESSION_PRESSURE, pressure.noteId, held->portIndex,
                        held->channel, held->key, pressure.pressure},
                        heldNotes_);
                }
            } else {
                const auto held = std::find_if(
                    activeNotes_.begin(), activeNotes_.end(), [&](const ActiveNote& note) {
                        return note.used && note.noteId == pressure.noteId;
                    });
                if (held != activeNotes_.end()) {
                    clap_event_midi_t midi{};
                    midi.header = header(sizeof(clap_event_midi_t), time, CLAP_EVENT_MIDI);
                    midi.port_index = 0;
                    midi.data[0] = statusByte(0xA0, pressure.channel);
                    midi.data[1] = static_cast<std::uint8_t>(held->key & 0x7F);
                    midi.data[2] = static_cast<std::uint8_t>(midiValue(pressure.pressure * 127.0, 127));
                    enqueue(midi, heldNotes_);
                }
            }
            break;
        }
        case Event::kNoteExpressionValueEvent: {
            const NoteExpressionValueEvent& expression = event.noteExpressionValue;
            if (expression.typeId > kBrightnessTypeID) {
                break;
            }
            const double value = expression.typeId == kTuningTypeID
                                     ? (expression.value - 0.5) * 2 * 120
                                     : expression.value;
            for (const ActiveNote& note : activeNotes_) {
                if (note.used && note.noteId == expression.noteId) {
                    enqueue(clap_event_note_expression_t{
                        header(sizeof(clap_event_note_expression_t), time,
                               CLAP_EVENT_NOTE_EXPRESSION, flags),
                        static_cast<clap_note_expression>(expression.typeId), expression.noteId,
                        note.portIndex, note.channel, note.key, value},
                        heldNotes_);
                }
            }
            break;
        }
        default:
            break;
        }
    }
    blockDrops_ += static_cast<std::uint64_t>(count - i);  // never read
}

// Every slot is free for them: no note ends after the input events.
void ProcessAdapter::processParameterChanges(IParameterChanges* changes, int32 samples) {
    if (changes == nullptr) {
        return;
    }
    const int32 count = std::max<int32>(changes->getParameterCount(), 0);
    int32 i = 0;
    for (; i < count && static_cast<std::size_t>(i) < maxEventsRead &&
           events_.size() < events_.capacity();
         ++i) {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (queue == nullptr) {
            continue;
        }
        const ParamID id = queue->getParameterId();
        if (gestureOpen(id)) {
            continue;  // the plug-in is editing it: its own value wins
        }
        Vst3Parameter* parameter = parameterByVst3Id(id);
        const int32 points = queue->getPointCount();
        int32 offset = 0;
        ParamValue normalized = 0;
        if (parameter == nullptr || points <= 0 ||
            queue->getPoint(points - 1, offset, normalized) != kResultOk) {
            continue;
        }
        const std::uint32_t time = offsetInBlock(offset, samples);
        const double value = parameter->asClapValue(normalized);
        if (!parameter->isMidi) {
            clap_event_param_value_t event{};
            event.header = header(sizeof(clap_event_param_value_t), time, CLAP_EVENT_PARAM_VALUE);
            event.param_id = parameter->clapId;
            event.cookie = parameter->cookie;
            event.note_id = -1;
            event.port_index = -1;
            event.channel = -1;
            event.key = -1;
            event.value = value;
            enqueue(event);
            continue;
        }
        clap_event_midi_t midi{};
        midi.header = header(sizeof(clap_event_midi_t), time, CLAP_EVENT_MIDI);
        midi.port_index = 0;
        const int channel = parameter->channel;
        switch (parameter->controller) {
        case Vst3Parameter::channelPressure:
            midi.data[0] = statusByte(0xD0, channel);
            midi.data[1] = static_cast<std::uint8_t>(midiValue(value, 127));
            break;
        case Vst3Parameter::pitchBend: {
            const int bend = midiValue(value, 16383);
            midi.data[0] = statusByte(0xE0, channel);
            midi.data[1] = static_cast<std::uint8_t>(bend & 0x7F);
            midi.data[2] = static_cast<std::uint8_t>((bend >> 7) & 0x7F);
            break;
        }
        case Vst3Parameter::programChange:
            midi.data[0] = statusByte(0xC0, channel);
            midi.data[1] = static_cast<std::uint8_t>(midiValue(value, 127));
            break;
        default:
            midi.data[0] = statusByte(0xB0, channel);
            midi.data[1] = static_cast<std::uint8_t>(parameter->controller & 0x7F);
            midi.data[2] = static_cast<std::uint8_t>(midiValue(value, 127));
            break;
        }
        enqueue(midi);
    }
    blockDrops_ += static_cast<std::uint64_t>(count - i);  // never read
}

void ProcessAdapter::enterNote(const clap_event_note_t& note) {
    const auto free = std::find_if(activeNotes_.begin(), activeNotes_.end(),
                                   [](const ActiveNote& entry) { return !entry.used; });
    if (free != activeNotes_.end()) {
        *free = {true, note.note_id, note.port_index, note.channel, note.key};
        ++heldNotes_;
    }
}

void ProcessAdapter::releaseNotes(std::int32_t noteId, std::int16_t port, std::int16_t channel) {
    for (ActiveNote& entry : activeNotes_) {
        if (entry.used && entry.noteId == noteId && entry.portIndex == port &&
            entry.channel == channel) {
            entry.used = false;
            --heldNotes_;
        }
    }
}

namespace {

bool ends(const ProcessAdapter::ActiveNote& entry, const clap_event_note_t& note) {
    return entry.used && entry.channel == note.channel &&
           (note.note_id != -1 ? entry.noteId == note.note_id : entry.key == note.key);
}

}  // namespace

void ProcessAdapter::releaseEndedNote(const clap_event_note_t& note) {
    for (ActiveNote& entry : activeNotes_) {
        if (ends(entry, note)) {
            entry.used = false;
            --heldNotes_;
        }
    }
}

bool ProcessAdapter::endsHeldNote(const clap_event_note_t& note) const {
    return std::any_of(activeNotes_.begin(), activeNotes_.end(),
                       [&](const ActiveNote& entry) { return ends(entry, note); });
}

bool ProcessAdapter::gestureOpen(std::uint32_t id) const {
    return std::find(activeGestures_->begin(), activeGestures_->end(), id) !=
           activeGestures_->end();
}

Vst3Parameter* ProcessAdapter::parameterByVst3Id(ParamID id) const {
    return dynamic_cast<Vst3Parameter*>(parameters_->getParameter(id));
}

Vst3Parameter* ProcessAdapter::parameterByClapId(clap_id id) const {
    return parameterByVst3Id(id & 0x7FFFFFFF);
}

bool ProcessAdapter::enqueueOutputEvent(const clap_event_header_t* event) {
    if (event == nullptr || event->space_id != CLAP_CORE_EVENT_SPACE_ID) {
        return false;
    }
    const std::uint32_t size = recordSize(event->type);
    if (size == 0 || event->size < size) {
        return false;
    }
    switch (event->type) {
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF:
        addOutputNote(copyOf<clap_event_note_t>(event), event->type == CLAP_EVENT_NOTE_ON);
        break;
    case CLAP_EVENT_NOTE_CHOKE:
    case CLAP_EVENT_NOTE_END: {
        const auto note = copyOf<clap_event_note_t>(event);
        releaseNotes(note.note_id, note.port_index, note.channel);
        break;
    }
    case CLAP_EVENT_PARAM_VALUE:
        outputParameterValue(copyOf<clap_event_param_value_t>(event));
        break;
    case CLAP_EVENT_PARAM_GESTURE_BEGIN: {
        const auto gesture = copyOf<clap_event_param_gesture_t>(event);
        if (const Vst3Parameter* parameter = parameterByClapId(gesture.param_id)) {
            const ParamID id = parameter->getInfo().id;
            // Never grows past what the owner reserved, so the audio thread does not allocate.
            if (activeGestures_->size() < activeGestures_->capacity()) {
                activeGestures_->push_back(id);
            }
            if (automation_ != nullptr) {
                automation_->onBeginEdit(id);
            }
        }
        break;
    }
    case CLAP_EVENT_PARAM_GESTURE_END: {
        const auto gesture = copyOf<clap_event_param_gesture_t>(event);
        if (const Vst3Parameter* parameter = parameterByClapId(gesture.param_id)) {
            const ParamID id = parameter->getInfo().id;
            if (std::erase(*activeGestures_, id) > 0 && automation_ != nullptr) {
                automation_->onEndEdit(id);
            }
        }
        break;
    }
    case CLAP_EVENT_MIDI:
        addOutputMidi(copyOf<clap_event_midi_t>(event));
        break;
    default:  // note expressions, modulation, system exclusive and MIDI 2 stay here
        break;
    }
    return true;
}

void ProcessAdapter::addOutputEvent(Event& event) {
    if (data_ != nullptr && data_->outputEvents != nullptr) {
        data_->outputEvents->addEvent(event);
    }
}

void ProcessAdapter::addOutputNote(const clap_event_note_t& note, bool on) {
    const std::uint32_t time = offsetInBlock(note.header.time, data_ ? data_->numSamples : 0);
    Event event = vst3Event(time, on ? Event::kNoteOnEvent : Event::kNoteOffEvent);
    if (on) {
        event.noteOn = {note.channel, note.key, 0.0f, static_cast<float>(note.velocity), 0,
                        note.note_id};
    } else {
        event.noteOff = {note.channel, note.key, static_cast<float>(note.velocity), note.note_id,
                         0.0f};
    }
    addOutputEvent(event);
}

// MIDI the plug-in sends (its control changes above all) as the host's legacy MIDI output
// events: controllers as they are, the other channel messages as the controller numbers above
// 127 that stand for them. Notes and system messages have no such event.
void ProcessAdapter::addOutputMidi(const clap_event_midi_t& midi) {
    if (data_ == nullptr || data_->outputEvents == nullptr) {
        return;
    }
    const auto first = static_cast<int8>(midi.data[1] & 0x7F);
    const auto second = static_cast<int8>(midi.data[2] & 0x7F);
    const auto channel = static_cast<int8>(midi.data[0] & 0x0F);
    LegacyMIDICCOutEvent cc{};
    switch (midi.data[0] & 0xF0) {
    case 0xB0:
        cc = {static_cast<uint8>(first), channel, second, 0};
        break;
    case 0xD0:
        cc = {kAfterTouch, channel, first, 0};
        break;
    case 0xE0:
        cc = {kPitchBend, channel, first, second};
        break;
    case 0xC0:
        cc = {kCtrlProgramChange, channel, first, 0};
        break;
    case 0xA0:
        cc = {kCtrlPolyPressure, channel, first, second};
        break;
    default:
        return;
    }
    Event event = vst3Event(offsetInBlock(midi.header.time, data_->numSamples),
                            Event::kLegacyMIDICCOutEvent);
    event.midiCCOut = cc;
    data_->outputEvents->addEvent(event);
}

void ProcessAdapter::outputParameterValue(const clap_event_param_value_t& value) {
    Vst3Parameter* parameter = parameterByClapId(value.param_id);
    if (parameter == nullptr) {
        return;
    }
    const ParamID id = parameter->getInfo().id;
    if (gestureOpen(id) && automation_ != nullptr) {
        automation_->onPerformEdit(&value);
    }
    if (data_ == nullptr || data_->outputParameterChanges == nullptr) {
        return;
    }
    int32 queueIndex = 0;
    if (IParamValueQueue* queue = data_->outputParameterChanges->addParameterData(id, queueIndex)) {
        int32 pointIndex = 0;
        queue->addPoint(static_cast<int32>(offsetInBlock(value.header.time, data_->numSamples)),
                        parameter->asVst3Value(value.value), pointIndex);
    }
}

}  // namespace Clap
