#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "allocation_counter.hpp"
#include "clap_test_host.hpp"
#include "patches.hpp"

namespace ondrix_plugin_testing {
namespace {

// An initialised, active and processing instance, optionally with a patch loaded first.
class ActivePlugin {
  public:
    explicit ActivePlugin(const std::string& patch = "", double sample_rate = 48000.0) {
        const clap_plugin_t* p = instance.plugin();
        if (!p->init(p)) ADD_FAILURE() << "init";
        if (!patch.empty() && !instance.load_state(state_of(patch))) ADD_FAILURE() << "patch";
        if (!p->activate(p, sample_rate, 1, 4096)) ADD_FAILURE() << "activate";
        if (!p->start_processing(p)) ADD_FAILURE() << "start_processing";
    }

    clap_process_status run(Block& block, OutputEvents& out, const InputEvents* in = nullptr,
                            const clap_event_transport_t* transport = nullptr) {
        block.process().out_events = out.raw();
        block.process().in_events = in != nullptr ? in->raw() : nullptr;
        block.process().transport = transport;
        return instance.plugin()->process(instance.plugin(), &block.process());
    }

    PluginUnderTest instance;
};

// "cc@5" for a generated control change on controller 20, "on@10" for a host note-on, ...
std::vector<std::string> describe(const OutputEvents& out) {
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < out.events().size(); ++i) {
        const auto& header = out.header(i);
        std::string kind;
        switch (header.type) {
            case CLAP_EVENT_NOTE_ON:
                kind = "on";
                break;
            case CLAP_EVENT_NOTE_OFF:
                kind = "off";
                break;
            case CLAP_EVENT_NOTE_CHOKE:
                kind = "choke";
                break;
            case CLAP_EVENT_NOTE_EXPRESSION:
                kind = "expr";
                break;
            case CLAP_EVENT_MIDI_SYSEX:
                kind = "sysex";
                break;
            case CLAP_EVENT_MIDI2:
                kind = "midi2";
                break;
            case CLAP_EVENT_MIDI: {
                const auto midi = out.as<clap_event_midi_t>(i);
                kind = midi.data[0] == 0xB0 && midi.data[1] == 20 ? "cc" : "midi";
                break;
            }
            default:
                kind = "type" + std::to_string(header.type);
        }
        if (header.space_id != 0) kind += "/space" + std::to_string(header.space_id);
        tokens.push_back(kind + "@" + std::to_string(header.time));
    }
    return tokens;
}

std::vector<std::string> ccs(std::uint32_t from, std::uint32_t to) {
    std::vector<std::string> tokens;
    for (std::uint32_t t = from; t < to; ++t) tokens.push_back("cc@" + std::to_string(t));
    return tokens;
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

clap_event_note_t note(std::uint16_t type, std::uint32_t time, std::uint16_t space = 0) {
    clap_event_note_t event = note_on(time);
    event.header.type = type;
    event.header.space_id = space;
    return event;
}

clap_event_transport_t transport(std::uint32_t flags, double beats = 0.0, double tempo = 120.0) {
    clap_event_transport_t event{};
    event.header = {sizeof(clap_event_transport_t), 0, CLAP_CORE_EVENT_SPACE_ID,
                    CLAP_EVENT_TRANSPORT, 0};
    event.flags = flags;
    event.tempo = tempo;
    event.song_pos_beats = static_cast<clap_beattime>(std::llround(beats * CLAP_BEATTIME_FACTOR));
    return event;
}

constexpr std::uint32_t FRAMES = 16;

TEST(Process, EverySampleCarriesAControlChangeWithTheSawAt1kHz) {
    ActivePlugin plugin(SAW_PATCH, 1000.0);
    Block block(FRAMES);
    OutputEvents out;
    ASSERT_EQ(plugin.run(block, out), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(describe(out), ccs(0, FRAMES));
    for (std::size_t i = 0; i < out.events().size(); ++i) {
        const auto midi = out.as<clap_event_midi_t>(i);
        EXPECT_EQ(midi.header.size, 24u);
        EXPECT_EQ(midi.header.space_id, 0u);
        EXPECT_EQ(midi.header.flags, 0u);
        EXPECT_EQ(midi.port_index, 0u);
    }
}

TEST(Process, HostEventsAreMergedInTimeOrder) {
    struct Case {
        const char* name;
        std::vector<clap_event_note_t> inputs;  // a NOTE_END with key -1 stands for a null entry
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"note-on at 10 goes before the control change at 10",
         {note(CLAP_EVENT_NOTE_ON, 10)},
         join({ccs(0, 10), {"on@10"}, ccs(10, FRAMES)})},
        {"at time 0 the host event leads",
         {note(CLAP_EVENT_NOTE_ON, 0)},
         join({{"on@0"}, ccs(0, FRAMES)})},
        {"unsorted host events keep the host's order",
         {note(CLAP_EVENT_NOTE_ON, 8), note(CLAP_EVENT_NOTE_OFF, 3)},
         join({ccs(0, 8), {"on@8", "off@3"}, ccs(8, FRAMES)})},
        {"events that do not pass flush nothing",
         {note(CLAP_EVENT_PARAM_VALUE, 2), note(CLAP_EVENT_NOTE_ON, 5, 1),
          note(CLAP_EVENT_NOTE_CHOKE, 6)},
         join({ccs(0, 6), {"choke@6"}, ccs(6, FRAMES)})},
        {"a host event past the block comes after all control changes",
         {note(CLAP_EVENT_NOTE_ON, 100)},
         join({ccs(0, FRAMES), {"on@100"}})},
        {"a null entry ends the walk",
         {note(CLAP_EVENT_NOTE_ON, 4), note(CLAP_EVENT_NOTE_END, 0), note(CLAP_EVENT_NOTE_OFF, 9)},
         join({ccs(0, 4), {"on@4"}, ccs(4, FRAMES)})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActivePlugin plugin(SAW_PATCH, 1000.0);
        InputEvents in;
        for (const auto& event : c.inputs) {
            if (event.header.type == CLAP_EVENT_NOTE_END && event.header.time == 0) {
                in.add_null();
            } else {
                in.add(event);
            }
        }
        Block block(FRAMES);
        OutputEvents out;
        ASSERT_EQ(plugin.run(block, out, &in), CLAP_PROCESS_CONTINUE);
        EXPECT_EQ(describe(out), c.expected);
    }
}

TEST(Process, OnlyNoteAndMidiEventsOfTheCoreSpacePassUnchanged) {
    ActivePlugin plugin(CONSTANT_PATCH);
    Block first(64);
    OutputEvents ignored;
    ASSERT_EQ(plugin.run(first, ignored), CLAP_PROCESS_CONTINUE);
    ASSERT_EQ(ignored.events().size(), 1u) << "the constant sends once, then stays quiet";

    InputEvents in;
    for (std::uint16_t type = 0; type <= 13; ++type) in.add(bare_event(type, type));
    in.add(bare_event(20, CLAP_EVENT_NOTE_ON, 1));
    in.add(bare_event(21, CLAP_EVENT_MIDI, 7));
    const auto sysex_like = host_midi(30, 0x90, 61);
    in.add(sysex_like);

    Block block(64);
    OutputEvents out;
    ASSERT_EQ(plugin.run(block, out, &in), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(describe(out),
              (std::vector<std::string>{"on@0", "off@1", "choke@2", "expr@4", "midi@10", "sysex@11",
                                        "midi2@12", "midi@30"}));
    const auto passed = out.as<clap_event_midi_t>(out.events().size() - 1);
    EXPECT_EQ(std::memcmp(&passed, &sysex_like, sizeof(passed)), 0) << "passed byte for byte";
}

TEST(Process, MissingListFunctionsMeanNoEvents) {
    ActivePlugin plugin(SAW_PATCH, 1000.0);
    clap_input_events_t no_functions{nullptr, nullptr, nullptr};
    clap_output_events_t no_push{nullptr, nullptr};
    Block block(FRAMES);
    block.process().in_events = &no_functions;
    block.process().out_events = &no_push;
    EXPECT_EQ(plugin.instance.plugin()->process(plugin.instance.plugin(), &block.process()),
              CLAP_PROCESS_CONTINUE);
    block.process().in_events = nullptr;
    block.process().out_events = nullptr;
    EXPECT_EQ(plugin.instance.plugin()->process(plugin.instance.plugin(), &block.process()),
              CLAP_PROCESS_CONTINUE);
    EXPECT_TRUE(plugin.instance.host().lines.empty());
}

TEST(Process, ARefusingOutputListStillContinues) {
    ActivePlugin plugin(SAW_PATCH, 1000.0);
    Block block(FRAMES);
    OutputEvents refusing(/*accept=*/false);
    EXPECT_EQ(plugin.run(block, refusing), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(refusing.attempts(), FRAMES);
}

TEST(Process, AudioOutputsAreSilenced) {
    ActivePlugin plugin;
    const std::uint32_t frames = 256;
    std::vector<float> a(frames + 1, 7.0f), b(frames + 1, 7.0f), c(frames + 1, 7.0f);
    std::vector<double> d(frames, 7.0);
    float* stereo[] = {a.data(), b.data()};
    float* broken[] = {c.data(), nullptr, a.data()};
    double* wide[] = {d.data()};
    clap_audio_buffer_t buffers[3] = {};
    buffers[0].data32 = stereo;
    buffers[0].channel_count = 2;
    buffers[1].data64 = wide;
    buffers[1].channel_count = 1;
    buffers[2].data32 = broken;
    buffers[2].channel_count = 3;

    clap_process_t block{};
    block.frames_count = frames;
    block.audio_outputs = buffers;
    block.audio_outputs_count = 3;
    // Inputs are never read: an unusable pointer must not matter.
    block.audio_inputs = reinterpret_cast<const clap_audio_buffer_t*>(alignof(clap_audio_buffer_t));
    block.audio_inputs_count = 4;
    ASSERT_EQ(plugin.instance.plugin()->process(plugin.instance.plugin(), &block),
              CLAP_PROCESS_CONTINUE);

    for (std::uint32_t i = 0; i < frames; ++i) {
        ASSERT_EQ(b[i], 0.0f) << i;
        ASSERT_EQ(c[i], 0.0f) << i;
        ASSERT_EQ(d[i], 7.0) << "64-bit data is not written";
    }
    EXPECT_EQ(b[frames], 7.0f) << "nothing beyond frames_count";
    // Channel a was written as channel 0 of the stereo buffer, not as channel 2 of the broken one
    // (that one stops at its null channel): its guard sample is intact.
    EXPECT_EQ(a[frames], 7.0f);
    EXPECT_EQ(a[0], 0.0f);

    std::fill(a.begin(), a.end(), 7.0f);
    buffers[0].channel_count = 0;
    block.audio_outputs_count = 1;
    ASSERT_EQ(plugin.instance.plugin()->process(plugin.instance.plugin(), &block),
              CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(a[0], 7.0f) << "a buffer without channels is not written";
}

TEST(Process, ATransportOfTheWrongKindFailsTheBlock) {
    ActivePlugin plugin;
    auto wrong_space = transport(CLAP_TRANSPORT_HAS_TEMPO);
    wrong_space.header.space_id = 3;
    auto wrong_type = transport(CLAP_TRANSPORT_HAS_TEMPO);
    wrong_type.header.type = CLAP_EVENT_MIDI;
    for (const auto* event : {&wrong_space, &wrong_type}) {
        plugin.instance.host().lines.clear();
        Block block(64);
        OutputEvents out;
        EXPECT_EQ(plugin.run(block, out, nullptr, event), CLAP_PROCESS_ERROR);
        EXPECT_EQ(plugin.instance.host().lines,
                  (std::vector<LogLine>{{CLAP_LOG_PLUGIN_MISBEHAVING, "Plugin panicked"}}));
        EXPECT_TRUE(out.events().empty());
    }
    Block block(64);
    OutputEvents out;
    EXPECT_EQ(plugin.run(block, out), CLAP_PROCESS_CONTINUE) << "the instance carries on";
}

TEST(Process, PlayingNeedsABeatTimelineAndThePlayFlag) {
    const struct {
        const char* name;
        bool has_transport;
        std::uint32_t flags;
        int run_value;
    } cases[] = {
        {"no transport: free running", false, 0, 127},
        {"host tempo, stopped", true, CLAP_TRANSPORT_HAS_TEMPO, 0},
        {"playing without a beat timeline", true,
         CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_IS_PLAYING, 0},
        {"playing on a beat timeline", true,
         CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_IS_PLAYING | CLAP_TRANSPORT_HAS_BEATS_TIMELINE,
         127},
        {"no host tempo: the engine runs on its own", true, 0, 127},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActivePlugin plugin(RUN_PATCH);
        const auto event = transport(c.flags);
        Block block(64);
        OutputEvents out;
        ASSERT_EQ(plugin.run(block, out, nullptr, c.has_transport ? &event : nullptr),
                  CLAP_PROCESS_CONTINUE);
        ASSERT_FALSE(out.events().empty());
        const auto cc = out.as<clap_event_midi_t>(0);
        EXPECT_EQ(cc.data[1], 21);
        EXPECT_EQ(cc.data[2], c.run_value);
    }
}

TEST(Process, TheSongPositionReachesTheEngineInBeats) {
    auto first_value_at = [](double beats) {
        ActivePlugin plugin(BEAT_SAW_PATCH);
        const auto event = transport(CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_IS_PLAYING |
                                         CLAP_TRANSPORT_HAS_BEATS_TIMELINE,
                                     beats);
        Block block(1);
        OutputEvents out;
        EXPECT_EQ(plugin.run(block, out, nullptr, &event), CLAP_PROCESS_CONTINUE);
        return out.events().empty() ? -1 : int(out.as<clap_event_midi_t>(0).data[2]);
    };
    const int quarter = first_value_at(0.25);
    EXPECT_NE(quarter, -1);
    EXPECT_EQ(first_value_at(1.25), quarter) << "one whole cycle later";
    EXPECT_EQ(first_value_at(3.25), quarter);
    EXPECT_NE(first_value_at(0.75), quarter) << "half a cycle later";
}

TEST(Process, BlocksAllocateNothing) {
    ActivePlugin plugin;  // the default patch: two outputs changing all the time
    InputEvents in;
    for (std::uint32_t t = 0; t < 256; t += 32) in.add(note_on(t));
    in.add(bare_event(5, CLAP_EVENT_PARAM_VALUE));
    clap_output_events_t counting{
        nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
    const auto playing = transport(
        CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_IS_PLAYING | CLAP_TRANSPORT_HAS_BEATS_TIMELINE,
        4.0);
    Block block(256);
    block.process().in_events = in.raw();
    block.process().out_events = &counting;
    block.process().transport = &playing;
    const clap_plugin_t* p = plugin.instance.plugin();

    {
        ondrix_testing::AllocationCounter activation;
        p->deactivate(p);
        ASSERT_TRUE(p->activate(p, 48000.0, 1, 4096));
        ASSERT_GT(activation.count(), 0u) << "the counter sees the module's allocations";
    }
    ondrix_testing::AllocationCounter counter;
    for (int i = 0; i < 200; ++i) ASSERT_EQ(p->process(p, &block.process()), CLAP_PROCESS_CONTINUE);
    ASSERT_TRUE(p->start_processing(p));
    p->stop_processing(p);
    p->reset(p);
    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace ondrix_plugin_testing
