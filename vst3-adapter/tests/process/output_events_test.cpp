#include "adapter_fixture.hpp"

#include <functional>

#include <gtest/gtest.h>

namespace process_testing {
namespace {

template <class Record>
Record record(std::uint16_t type, std::uint32_t time = 7) {
    Record r{};
    r.header = {sizeof(Record), time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    return r;
}

clap_event_note_t note(std::uint16_t type, std::int32_t id, std::int16_t channel,
                       std::int16_t key) {
    auto n = record<clap_event_note_t>(type);
    n.note_id = id;
    n.channel = channel;
    n.key = key;
    n.velocity = 0.5;
    return n;
}

clap_event_param_value_t paramValue(clap_id id, double value) {
    auto v = record<clap_event_param_value_t>(CLAP_EVENT_PARAM_VALUE);
    v.param_id = id;
    v.value = value;
    return v;
}

clap_event_param_gesture_t gesture(std::uint16_t type, clap_id id) {
    auto g = record<clap_event_param_gesture_t>(type);
    g.param_id = id;
    return g;
}

TEST(OutputEvents, EveryClapTypeGivesItsResult) {
    struct Row {
        const char* name;
        std::function<void(FakePlugin&)> push;
        bool result;
        std::size_t hostEvents, parameterQueues;
        std::vector<std::string> automation;
        std::vector<std::uint32_t> gesturesAfter;
    };
    const auto pushing = [](auto r) { return [r](FakePlugin& fake) { fake.push(r); }; };
    auto shortNote = note(CLAP_EVENT_NOTE_ON, 1, 0, 60);
    shortNote.header.size = sizeof(clap_event_note_t) - 1;
    auto otherSpace = note(CLAP_EVENT_NOTE_ON, 1, 0, 60);
    otherSpace.header.space_id = 1;
    auto otherSpaceMidi = clapMidi(0, 0xB0, 1, 2);
    otherSpaceMidi.header.space_id = 0x100;
    auto shortMidi = clapMidi(0, 0xB0, 1, 2);
    shortMidi.header.size = 20;
    const Row rows[] = {
        {"note on", pushing(note(CLAP_EVENT_NOTE_ON, 1, 0, 60)), true, 1, 0, {}, {3}},
        {"note off", pushing(note(CLAP_EVENT_NOTE_OFF, 1, 0, 60)), true, 1, 0, {}, {3}},
        {"choke", pushing(note(CLAP_EVENT_NOTE_CHOKE, 1, 0, 60)), true, 0, 0, {}, {3}},
        {"note end", pushing(note(CLAP_EVENT_NOTE_END, 1, 0, 60)), true, 0, 0, {}, {3}},
        {"note expression",
         pushing(record<clap_event_note_expression_t>(CLAP_EVENT_NOTE_EXPRESSION)), true, 0, 0,
         {}, {3}},
        {"parameter value", pushing(paramValue(5, 4)), true, 0, 1, {}, {3}},
        {"value while editing", pushing(paramValue(3, 4)), true, 0, 1, {"perform 3 4.000000"},
         {3}},
        {"value of no parameter", pushing(paramValue(6, 4)), true, 0, 0, {}, {3}},
        {"parameter modulation", pushing(record<clap_event_param_mod_t>(CLAP_EVENT_PARAM_MOD)),
         true, 0, 0, {}, {3}},
        {"gesture begin", pushing(gesture(CLAP_EVENT_PARAM_GESTURE_BEGIN, 0x80000005)), true, 0,
         0, {"begin 5"}, {3, 5}},
        {"gesture end", pushing(gesture(CLAP_EVENT_PARAM_GESTURE_END, 3)), true, 0, 0,
         {"end 3"}, {}},
        {"gesture end, none open", pushing(gesture(CLAP_EVENT_PARAM_GESTURE_END, 5)), true, 0,
         0, {}, {3}},
        {"gesture of no parameter", pushing(gesture(CLAP_EVENT_PARAM_GESTURE_BEGIN, 6)), true,
         0, 0, {}, {3}},
        {"transport", pushing(record<clap_event_transport_t>(CLAP_EVENT_TRANSPORT)), false, 0, 0,
         {}, {3}},
        {"MIDI", pushing(clapMidi(0, 0xB0, 1, 2)), true, 1, 0, {}, {3}},
        {"system exclusive", pushing(record<clap_event_midi_sysex_t>(CLAP_EVENT_MIDI_SYSEX)),
         true, 0, 0, {}, {3}},
        {"MIDI 2", pushing(record<clap_event_midi2_t>(CLAP_EVENT_MIDI2)), true, 0, 0, {}, {3}},
        {"type 13", pushing(record<clap_event_midi2_t>(13)), false, 0, 0, {}, {3}},
        {"other space", pushing(otherSpace), false, 0, 0, {}, {3}},
        {"other space, MIDI", pushing(otherSpaceMidi), false, 0, 0, {}, {3}},
        {"short note", pushing(shortNote), false, 0, 0, {}, {3}},
        {"short MIDI", pushing(shortMidi), false, 0, 0, {}, {3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AdapterFixture fixture;
        fixture.addParameter(3, 0, 10);
        fixture.addParameter(0x80000005, 0, 10);
        fixture.gestures = {3};
        row.push(fixture.fake);
        fixture.run();
        EXPECT_EQ(fixture.fake.pushResults, std::vector<bool>{row.result});
        EXPECT_EQ(fixture.outputEvents.events.size(), row.hostEvents);
        EXPECT_EQ(fixture.outputChanges.queues.size(), row.parameterQueues);
        EXPECT_EQ(fixture.automation.calls, row.automation);
        EXPECT_EQ(fixture.gestures, row.gesturesAfter);
    }
}

TEST(OutputEvents, NotesAndParameterValuesForTheHost) {
    AdapterFixture fixture;
    fixture.addParameter(0x80000005, 0, 10, CLAP_PARAM_IS_STEPPED);
    auto on = note(CLAP_EVENT_NOTE_ON, 11, 4, 72);
    on.port_index = 3;  // every note goes to event bus 0
    fixture.fake.push(on);
    fixture.fake.push(note(CLAP_EVENT_NOTE_OFF, 11, 4, 72));
    auto late = paramValue(5, 3.2);
    late.header.time = 500;
    fixture.fake.push(late);
    fixture.run(64);

    ASSERT_EQ(fixture.outputEvents.events.size(), 2u);
    const Event& vst3On = fixture.outputEvents.events[0];
    EXPECT_EQ(vst3On.type, Event::kNoteOnEvent);
    EXPECT_EQ(vst3On.busIndex, 0);
    EXPECT_EQ(vst3On.sampleOffset, 7);
    EXPECT_EQ(vst3On.ppqPosition, 0);
    EXPECT_EQ(vst3On.flags, 0);
    EXPECT_EQ(vst3On.noteOn.channel, 4);
    EXPECT_EQ(vst3On.noteOn.pitch, 72);
    EXPECT_EQ(vst3On.noteOn.velocity, 0.5f);
    EXPECT_EQ(vst3On.noteOn.noteId, 11);
    EXPECT_EQ(vst3On.noteOn.tuning, 0);
    EXPECT_EQ(vst3On.noteOn.length, 0);
    const Event& vst3Off = fixture.outputEvents.events[1];
    EXPECT_EQ(vst3Off.type, Event::kNoteOffEvent);
    EXPECT_EQ(vst3Off.noteOff.pitch, 72);
    EXPECT_EQ(vst3Off.noteOff.noteId, 11);
    EXPECT_EQ(vst3Off.noteOff.velocity, 0.5f);

    ASSERT_EQ(fixture.outputChanges.queues.size(), 1u);
    const ParamQueue& queue = *fixture.outputChanges.queues[0];
    EXPECT_EQ(queue.id, 5u);
    ASSERT_EQ(queue.points.size(), 1u);
    EXPECT_EQ(queue.points[0].first, 63) << "kept inside the block";
    EXPECT_EQ(queue.points[0].second, 0.3) << "the nearest step";
}

TEST(OutputEvents, MidiBecomesLegacyControllerEventsInPushOrder) {
    struct Row {
        std::array<std::uint8_t, 3> bytes;
        int controlNumber, channel, value, value2;  // controlNumber -1: dropped
    };
    const Row rows[] = {
        {{0xB3, 7, 100}, 7, 3, 100, 0},
        {{0xB0, 0xFF, 0xFF}, 127, 0, 127, 0},
        {{0xD4, 33, 9}, 128, 4, 33, 0},
        {{0xE5, 0x12, 0x40}, 129, 5, 0x12, 0x40},
        {{0xCF, 5, 9}, 130, 15, 5, 0},
        {{0xA2, 60, 90}, 131, 2, 60, 90},
        {{0x90, 60, 90}, -1, 0, 0, 0},
        {{0x80, 60, 90}, -1, 0, 0, 0},
        {{0xF8, 0, 0}, -1, 0, 0, 0},
        {{0xF0, 1, 2}, -1, 0, 0, 0},
    };
    AdapterFixture fixture;
    std::uint32_t time = 0;
    for (const Row& row : rows) {
        fixture.fake.push(clapMidi(time++, row.bytes[0], row.bytes[1], row.bytes[2]));
    }
    fixture.run();

    EXPECT_EQ(fixture.fake.pushResults, std::vector<bool>(std::size(rows), true));
    std::size_t next = 0;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        if (row.controlNumber < 0) {
            continue;
        }
        SCOPED_TRACE(i);
        ASSERT_LT(next, fixture.outputEvents.events.size());
        const Event& event = fixture.outputEvents.events[next++];
        EXPECT_EQ(event.type, Event::kLegacyMIDICCOutEvent);
        EXPECT_EQ(event.busIndex, 0);
        EXPECT_EQ(event.sampleOffset, static_cast<int32>(i));
        EXPECT_EQ(event.ppqPosition, 0);
        EXPECT_EQ(event.flags, 0);
        EXPECT_EQ(event.midiCCOut.controlNumber, row.controlNumber);
        EXPECT_EQ(event.midiCCOut.channel, row.channel);
        EXPECT_EQ(event.midiCCOut.value, row.value);
        EXPECT_EQ(event.midiCCOut.value2, row.value2);
    }
    EXPECT_EQ(next, fixture.outputEvents.events.size());
}

TEST(OutputEvents, WithoutHostListsOrOutsideABlockOnlyGesturesHappen) {
    AdapterFixture fixture;
    fixture.addParameter(5, 0, 1);
    fixture.fake.push(gesture(CLAP_EVENT_PARAM_GESTURE_BEGIN, 5));
    fixture.fake.push(paramValue(5, 0.5));
    fixture.fake.push(clapMidi(0, 0xB0, 1, 2));
    fixture.fake.push(gesture(CLAP_EVENT_PARAM_GESTURE_END, 5));

    ProcessData data = fixture.block(32);
    data.outputEvents = nullptr;
    data.outputParameterChanges = nullptr;
    fixture.run(data);
    fixture.adapter.flush();
    ASSERT_EQ(fixture.fake.calls.size(), 2u);
    EXPECT_TRUE(fixture.fake.calls[1].flush);
    EXPECT_TRUE(fixture.fake.calls[1].events.empty());
    EXPECT_EQ(fixture.fake.pushResults, std::vector<bool>(8, true));
    EXPECT_TRUE(fixture.outputEvents.events.empty());
    EXPECT_TRUE(fixture.outputChanges.queues.empty());
    const std::vector<std::string> twice = {"begin 5", "perform 5 0.500000", "end 5",
                                            "begin 5", "perform 5 0.500000", "end 5"};
    EXPECT_EQ(fixture.automation.calls, twice);
}

TEST(OutputEvents, ChokeAndNoteEndReleaseHeldNotes) {
    AdapterFixture fixture;
    fixture.inputEvents.events = {noteOn(0, 60, 7, 2), noteOn(0, 61, 8, 2), noteOn(0, 62, 9, 2)};
    fixture.fake.push(note(CLAP_EVENT_NOTE_CHOKE, 7, 2, 60));
    fixture.fake.push(note(CLAP_EVENT_NOTE_END, 8, 3, 61));  // another channel: stays
    fixture.run();
    fixture.fake.toPush.clear();

    fixture.inputEvents.events = {expression(0, 7, kVolumeTypeID, 1),
                                  expression(0, 8, kVolumeTypeID, 1),
                                  expression(0, 9, kVolumeTypeID, 1)};
    const Call& call = fixture.run();
    ASSERT_EQ(call.events.size(), 2u);
    EXPECT_EQ(call.events[0].expression.note_id, 8);
    EXPECT_EQ(call.events[1].expression.note_id, 9);
}

}  // namespace
}  // namespace process_testing
