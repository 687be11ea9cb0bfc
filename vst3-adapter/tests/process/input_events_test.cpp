#include "adapter_fixture.hpp"

#include "allocation_counter.hpp"

#include <cmath>
#include <limits>
#include <tuple>

#include <gtest/gtest.h>

namespace process_testing {
namespace {

constexpr float nanf = std::numeric_limits<float>::quiet_NaN();

using Bytes = std::array<std::uint8_t, 3>;

// The bytes of the one event the plug-in received, which must be a MIDI event on port 0.
Bytes onlyMidi(const Call& call, std::uint32_t time, std::uint32_t flags = 0) {
    EXPECT_EQ(call.events.size(), 1u);
    if (call.events.empty()) {
        return {};
    }
    const clap_event_midi_t& midi = call.events[0].midi;
    EXPECT_EQ(midi.header.type, CLAP_EVENT_MIDI);
    EXPECT_EQ(midi.header.size, sizeof(clap_event_midi_t));
    EXPECT_EQ(midi.header.time, time);
    EXPECT_EQ(midi.header.flags, flags);
    EXPECT_EQ(midi.port_index, 0);
    return {midi.data[0], midi.data[1], midi.data[2]};
}

TEST(InputEvents, NotesComeBeforeParameterChangesAtEqualTimes) {
    AdapterFixture fixture;
    fixture.addParameter(100, 0, 1);
    fixture.addParameter(200, 0, 1);
    fixture.inputEvents.events = {noteOn(5, 60, 1)};
    fixture.inputChanges.add(100, {{10, 0.25}});
    fixture.inputChanges.add(200, {{5, 0.5}});

    const Call& call = fixture.run();
    ASSERT_EQ(call.events.size(), 3u);
    EXPECT_EQ(call.events[0].header.type, CLAP_EVENT_NOTE_ON);
    EXPECT_EQ(call.events[0].header.time, 5u);
    EXPECT_EQ(call.events[1].header.type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(call.events[1].header.time, 5u);
    EXPECT_EQ(call.events[1].value.param_id, 200u);
    EXPECT_EQ(call.events[2].header.time, 10u);
    EXPECT_EQ(call.events[2].value.param_id, 100u);
}

TEST(InputEvents, ParameterChangeReadsTheLastPointOfKnownParametersNotBeingEdited) {
    AdapterFixture fixture;
    int cookie = 0;
    fixture.addParameter(0x80000001, -1, 1).cookie = &cookie;
    fixture.addParameter(2, 0, 10, CLAP_PARAM_IS_STEPPED);
    fixture.addParameter(3, 0, 1);
    fixture.addParameter(4, 0, 1);
    fixture.inputChanges.add(1, {{0, 0.1}, {20, 0.75}});
    fixture.inputChanges.add(2, {{30, 0.34}});
    fixture.inputChanges.add(3, {{0, 1}});
    fixture.inputChanges.add(4, {{0, 1}}).failReads = true;
    fixture.inputChanges.add(5, {{0, 1}});  // no such parameter
    fixture.gestures = {3};                 // the plug-in is editing it

    const Call& call = fixture.run();
    ASSERT_EQ(call.events.size(), 2u);
    const clap_event_param_value_t& first = call.events[0].value;
    EXPECT_EQ(first.header.size, sizeof(clap_event_param_value_t));
    EXPECT_EQ(first.header.time, 20u);
    EXPECT_EQ(first.header.flags, 0u);
    EXPECT_EQ(first.param_id, 0x80000001u);
    EXPECT_EQ(first.cookie, &cookie);
    EXPECT_EQ(first.note_id, -1);
    EXPECT_EQ(first.port_index, -1);
    EXPECT_EQ(first.channel, -1);
    EXPECT_EQ(first.key, -1);
    EXPECT_DOUBLE_EQ(first.value, 0.5);
    EXPECT_EQ(call.events[1].value.value, 3);
}

TEST(InputEvents, OffsetsAreKeptInsideTheBlock) {
    struct Case {
        int32 samples, offset;
        std::uint32_t time;
    };
    const Case cases[] = {{64, -5, 0}, {64, 63, 63}, {64, 64, 63}, {64, 1000, 63},
                          {0, 10, 0},  {-8, 10, 0}};
    for (const Case& c : cases) {
        AdapterFixture fixture;
        fixture.addParameter(1, 0, 1);
        fixture.inputEvents.events = {noteOn(c.offset, 60, 1)};
        fixture.inputChanges.add(1, {{c.offset, 1}});
        const Call& call = fixture.run(c.samples);
        EXPECT_EQ(call.flush, c.samples <= 0);
        ASSERT_EQ(call.events.size(), 2u);
        EXPECT_EQ(call.events[0].header.time, c.time) << c.samples << " " << c.offset;
        EXPECT_EQ(call.events[1].header.time, c.time) << c.samples << " " << c.offset;
    }
}

TEST(InputEvents, NotesWithTuningLiveFlagAndSystemExclusive) {
    AdapterFixture fixture;
    fixture.setup(true, true);
    Event live = noteOn(1, 64, 9, 3, 50);
    live.flags = Event::kIsLive;
    static const uint8 bytes[] = {0xF0, 0x7E, 0xF7};
    Event sysex{};
    sysex.sampleOffset = 3;
    sysex.type = Event::kDataEvent;
    sysex.data = {3, DataEvent::kMidiSysEx, bytes};
    Event otherData = sysex;
    otherData.data.type = 7;
    fixture.inputEvents.events = {live, noteOn(2, 65, 10, 0, nanf), noteOn(3, 66, 11), sysex,
                                  otherData, noteOff(4, 64, 9, 3)};

    const Call& call = fixture.run();
    ASSERT_EQ(call.events.size(), 7u);
    const clap_event_note_t& on = call.events[0].note;
    EXPECT_EQ(on.header.size, sizeof(clap_event_note_t));
    EXPECT_EQ(on.header.flags, std::uint32_t{CLAP_EVENT_IS_LIVE});
    EXPECT_EQ(on.note_id, 9);
    EXPECT_EQ(on.port_index, 0);
    EXPECT_EQ(on.channel, 3);
    EXPECT_EQ(on.key, 64);
    EXPECT_EQ(on.velocity, 0.75);
    const clap_event_note_expression_t& tuning = call.events[1].expression;
    EXPECT_EQ(tuning.header.type, CLAP_EVENT_NOTE_EXPRESSION);
    EXPECT_EQ(tuning.header.flags, std::uint32_t{CLAP_EVENT_IS_LIVE});
    EXPECT_EQ(tuning.expression_id, CLAP_NOTE_EXPRESSION_TUNING);
    EXPECT_EQ(tuning.note_id, 9);
    EXPECT_EQ(tuning.channel, 3);
    EXPECT_EQ(tuning.key, 64);
    EXPECT_DOUBLE_EQ(tuning.value, 0.5);
    EXPECT_EQ(call.events[2].header.type, CLAP_EVENT_NOTE_ON);
    EXPECT_EQ(call.events[3].header.type, CLAP_EVENT_NOTE_EXPRESSION) << "NaN tuning is not 0";
    EXPECT_EQ(call.events[4].header.type, CLAP_EVENT_NOTE_ON) << "no tuning, no expression";
    const clap_event_midi_sysex_t& data = call.events[5].sysex;
    EXPECT_EQ(data.header.type, CLAP_EVENT_MIDI_SYSEX);
    EXPECT_EQ(data.header.size, sizeof(clap_event_midi_sysex_t));
    EXPECT_EQ(data.buffer, bytes);
    EXPECT_EQ(data.size, 3u);
    const clap_event_note_t& off = call.events[6].note;
    EXPECT_EQ(off.header.type, CLAP_EVENT_NOTE_OFF);
    EXPECT_EQ(off.velocity, 0.25);

    fixture.setup(true, false);
    fixture.inputEvents.events = {noteOn(1, 64, 9, 3, 50)};
    EXPECT_EQ(fixture.run().events.size(), 1u) << "tuning expressions off";
}

TEST(InputEvents, ExpressionsReachHeldNotesOnly) {
    AdapterFixture fixture;
    fixture.inputEvents.events = {noteOn(0, 60, 7, 2), noteOn(0, 67, 7, 5), noteOn(0, 62, -1, 1),
                                  noteOn(0, 64, -1, 1)};
    fixture.run();

    fixture.inputEvents.events = {expression(1, 7, kBrightnessTypeID, 0.25),
                                  expression(2, 7, kTuningTypeID, 0.75),
                                  expression(3, 7, kTextTypeID, 0.5),
                                  expression(4, 8, kVolumeTypeID, 0.5)};
    const Call& held = fixture.run();
    ASSERT_EQ(held.events.size(), 4u) << "two notes carry id 7; other types and ids send nothing";
    EXPECT_EQ(held.events[0].expression.expression_id, CLAP_NOTE_EXPRESSION_BRIGHTNESS);
    EXPECT_EQ(held.events[0].expression.key, 60);
    EXPECT_EQ(held.events[0].expression.channel, 2);
    EXPECT_EQ(held.events[0].expression.value, 0.25);
    EXPECT_EQ(held.events[1].expression.key, 67);
    EXPECT_EQ(held.events[1].expression.channel, 5);
    EXPECT_DOUBLE_EQ(held.events[2].expression.value, 60.0) << "(0.75 - 0.5) x 240 semitones";

    // A note-off ends the notes of its id on its channel; without an id, of its key and channel.
    fixture.inputEvents.events = {noteOff(0, 60, 7, 2), noteOff(0, 62, -1, 1),
                                  expression(1, 7, kVolumeTypeID, 0.5),
                                  expression(1, -1, kVolumeTypeID, 0.5)};
    const Call& released = fixture.run();
    ASSERT_EQ(released.events.size(), 4u);
    EXPECT_EQ(released.events[2].expression.channel, 5) << "id 7 on channel 5 is still held";
    EXPECT_EQ(released.events[3].expression.key, 64) << "key 64 without id is still held";
}

TEST(InputEvents, PolyPressureAsExpressionOrAsMidi) {
    AdapterFixture fixture;
    fixture.inputEvents.events = {noteOn(0, 60, 7, 2), noteOn(0, 61, 7, 3)};
    fixture.run();
    Event live = polyPressure(4, 7, 0.5f, 9);
    live.flags = Event::kIsLive;
    fixture.inputEvents.events = {live, polyPressure(5, 8, 0.5f)};
    const Call& expressions = fixture.run();
    ASSERT_EQ(expressions.events.size(), 1u);
    const clap_event_note_expression_t& pressure = expressions.events[0].expression;
    EXPECT_EQ(pressure.expression_id, CLAP_NOTE_EXPRESSION_PRESSURE);
    EXPECT_EQ(pressure.header.flags, std::uint32_t{CLAP_EVENT_IS_LIVE});
    EXPECT_EQ(pressure.key, 61) << "the last held note of the id";
    EXPECT_EQ(pressure.channel, 3);
    EXPECT_EQ(pressure.value, 0.5);

    fixture.setup(false, false);
    fixture.inputEvents.events = {noteOn(0, 60, 7, 2), noteOn(0, 61, 7, 3)};
    fixture.run();
    const std::pair<float, std::uint8_t> bytes[] = {
        {0.5f, 64}, {1.0f, 127}, {1.5f, 127}, {-0.2f, 0}, {nanf, 0}, {0.1f, 13}};
    for (const auto& [value, byte] : bytes) {
        Event held = live;  // live, yet the MIDI event is not flagged so
        held.polyPressure.pressure = value;
        fixture.inputEvents.events = {held, polyPressure(5, 8, value)};
        // Channel 9 from the event, key 60 from the first held note of the id.
        EXPECT_EQ(onlyMidi(fixture.run(), 4), (Bytes{0xA9, 60, byte})) << value;
    }
}

TEST(InputEvents, ActiveNotesAreBoundedAndNeverAllocate) {
    AdapterFixture fixture;
    fixture.fake.record = false;
    const ProcessData data = fixture.block(16);
    {
        ondrix_testing::AllocationCounter counter;
        for (int i = 0; i < 10000; ++i) {
            const auto key = static_cast<int16>(i % 128);
            fixture.inputEvents.events.clear();
            fixture.inputEvents.events.push_back(noteOn(0, key, i));
            fixture.inputEvents.events.push_back(expression(1, i, kVolumeTypeID, 0.5));
            fixture.inputEvents.events.push_back(noteOff(2, key, i));
            ProcessData block = data;
            fixture.adapter.process(block);
        }
        EXPECT_EQ(counter.count(), 0u);
    }

    // Every pair was released: 128 notes are held again, the 129th is not tracked.
    fixture.fake.record = true;
    fixture.inputEvents.events.clear();
    for (int n = 0; n < 129; ++n) {
        fixture.inputEvents.events.push_back(noteOn(0, 60, 20000 + n));
    }
    for (const int id : {20000, 20127, 20128, 9999}) {
        fixture.inputEvents.events.push_back(expression(1, id, kVolumeTypeID, 0.5));
    }
    const Call& call = fixture.run();
    ASSERT_EQ(call.events.size(), 131u);
    EXPECT_EQ(call.events[129].expression.note_id, 20000);
    EXPECT_EQ(call.events[130].expression.note_id, 20127);
}

// A host may send more events than a block holds: the rest are dropped, never allocated for.
TEST(InputEvents, ABlockHoldsItsReservedEventsWithoutAllocating) {
    AdapterFixture fixture;
    const std::size_t sent = Clap::ProcessAdapter::reservedEvents + 10;
    for (std::size_t i = 0; i < sent; ++i) {
        fixture.inputEvents.events.push_back(noteOff(0, 60, static_cast<int32>(i)));
    }
    fixture.fake.record = false;
    ProcessData data = fixture.block(16);
    {
        ondrix_testing::AllocationCounter counter;
        fixture.adapter.process(data);
        EXPECT_EQ(counter.count(), 0u);
    }
    fixture.fake.record = true;
    EXPECT_EQ(fixture.run().events.size(), Clap::ProcessAdapter::reservedEvents);
}

// A host list claiming 2^31 - 1 events, all alike, that counts what is read of it.
class EndlessEvents : public Unreferenced<IEventList> {
public:
    explicit EndlessEvents(Event event) : event(event) {}
    int32 PLUGIN_API getEventCount() override { return std::numeric_limits<int32>::max(); }
    tresult PLUGIN_API getEvent(int32, Event& out) override {
        ++reads;
        out = event;
        return kResultOk;
    }
    tresult PLUGIN_API addEvent(Event&) override { return kResultFalse; }
    Event event;
    std::int64_t reads = 0;
};

// The same for parameter changes: 2^31 - 1 queues, all one.
class EndlessChanges : public Unreferenced<IParameterChanges> {
public:
    explicit EndlessChanges(ParamID id) : queue(id) { queue.points = {{0, 0.5}}; }
    int32 PLUGIN_API getParameterCount() override { return std::numeric_limits<int32>::max(); }
    IParamValueQueue* PLUGIN_API getParameterData(int32) override {
        ++reads;
        return &queue;
    }
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID&, int32&) override {
        return nullptr;
    }
    ParamQueue queue;
    std::int64_t reads = 0;
};

constexpr std::int64_t claimed = std::numeric_limits<int32>::max();
constexpr auto room = static_cast<std::int64_t>(Clap::ProcessAdapter::reservedEvents);
constexpr auto readable = static_cast<std::int64_t>(Clap::ProcessAdapter::maxEventsRead);

// The claimed count is not walked: the reading stops at the room, or, while a note is held, as
// far on as the end of a held note is looked for.
TEST(InputEvents, AClaimOfEndlessEventsIsReadOnlyAsFarAsTheRoom) {
    const struct {
        const char* name;
        bool noteHeld;
        std::int64_t reads, received;
    } rows[] = {
        {"no note held", false, room, room},
        {"a note held, whose end never comes", true, readable, room - 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AdapterFixture fixture;
        if (row.noteHeld) {
            fixture.inputEvents.events = {noteOn(0, 60, 1)};
            fixture.run();
            fixture.adapter.takeDroppedEvents();
        }
        EndlessEvents endless(noteOff(0, 61, 2));  // no note of its own
        ProcessData data = fixture.block(64);
        data.inputEvents = &endless;
        const Call& call = fixture.run(data);
        EXPECT_EQ(endless.reads, row.reads);
        EXPECT_EQ(static_cast<std::int64_t>(call.events.size()), row.received);
        EXPECT_EQ(fixture.adapter.takeDroppedEvents(), claimed - row.received);
        EXPECT_EQ(fixture.adapter.takeDroppedEvents(), 0u);
    }

    // Parameter queues alike: for a known parameter until the room is full, for an unknown one
    // as far as is read.
    for (const auto& [id, reads, received] : {std::tuple{ParamID{1}, room, room},
                                              std::tuple{ParamID{2}, readable, std::int64_t{0}}}) {
        AdapterFixture fixture;
        fixture.addParameter(1, 0, 1);
        EndlessChanges endless(id);
        ProcessData data = fixture.block(64);
        data.inputParameterChanges = &endless;
        EXPECT_EQ(static_cast<std::int64_t>(fixture.run(data).events.size()), received) << id;
        EXPECT_EQ(endless.reads, reads) << id;
        EXPECT_EQ(fixture.adapter.takeDroppedEvents(), claimed - reads) << id;
    }
}

// Past the room the host's events are dropped, but a held note still ends: its slot was kept.
TEST(InputEvents, TheEndOfAHeldNoteComesThroughPastTheRoom) {
    AdapterFixture fixture;
    fixture.inputEvents.events = {noteOn(0, 60, 5)};
    fixture.run();

    const int32 others = 9000;
    fixture.inputEvents.events.assign(others, noteOff(1, 61, -1));  // no note of their own
    fixture.inputEvents.events.push_back(noteOn(2, 62, 6));         // no room: never held
    fixture.inputEvents.events.push_back(noteOff(63, 60, 5));
    const Call& call = fixture.run();
    ASSERT_EQ(call.events.size(), Clap::ProcessAdapter::reservedEvents);
    const clap_event_note_t& last = call.events.back().note;
    EXPECT_EQ(last.header.type, CLAP_EVENT_NOTE_OFF);
    EXPECT_EQ(last.note_id, 5);
    EXPECT_EQ(last.header.time, 63u);
    EXPECT_EQ(fixture.adapter.takeDroppedEvents(),
              static_cast<std::uint64_t>(others + 2) - Clap::ProcessAdapter::reservedEvents);

    fixture.inputEvents.events = {expression(0, 5, kVolumeTypeID, 0.5),
                                  expression(0, 6, kVolumeTypeID, 0.5)};
    EXPECT_TRUE(fixture.run().events.empty()) << "neither note is held";
}

TEST(InputEvents, MidiMappingParametersBecomeChannelMessages) {
    AdapterFixture fixture;
    fixture.addMidiParameter(3, 7, 1000);
    fixture.addMidiParameter(4, Vst3Parameter::channelPressure, 1001);
    fixture.addMidiParameter(5, Vst3Parameter::pitchBend, 1002);
    fixture.addMidiParameter(15, Vst3Parameter::programChange, 1003);
    struct Case {
        ParamID id;
        double normalized;
        Bytes bytes;
    };
    const Case cases[] = {
        {1000, 100 / 127.0, {0xB3, 7, 100}},
        {1000, 1.5, {0xB3, 7, 127}},
        {1000, -1, {0xB3, 7, 0}},
        {1001, 33 / 127.0, {0xD4, 33, 0}},
        {1002, 1, {0xE5, 0x7F, 0x7F}},
        {1002, 8192 / 16383.0, {0xE5, 0, 0x40}},
        {1002, 0, {0xE5, 0, 0}},
        {1003, 5 / 127.0, {0xCF, 5, 0}},
    };
    for (const Case& c : cases) {
        fixture.inputChanges.queues.clear();
        fixture.inputChanges.add(c.id, {{3, c.normalized}});
        EXPECT_EQ(onlyMidi(fixture.run(), 3), c.bytes) << c.id << " " << c.normalized;
    }

    // Hosts that keep normalized values as floats still land on every value.
    for (int k = 0; k <= 127; ++k) {
        fixture.inputChanges.queues.clear();
        fixture.inputChanges.add(1000, {{0, static_cast<float>(k) / 127.0f}});
        ASSERT_EQ(fixture.run().events.at(0).midi.data[2], k);
    }
}

}  // namespace
}  // namespace process_testing
