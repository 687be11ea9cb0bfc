// The pieces of ondrix-host: its command line and usage, the state it loads and what the patch
// reader says of it, its transport, its event lines and its output list.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "event_line.hpp"
#include "event_lists.hpp"
#include "options.hpp"
#include "state_check.hpp"
#include "state_document.hpp"
#include "transport.hpp"

namespace {

using ondrix_tools::HostOptions;

TEST(HostOptions, ReadsTheCommandLine) {
    struct Case {
        std::vector<std::string> args;
        std::string error;                                               // empty: accepted
        std::function<void(HostOptions&)> expect = [](HostOptions&) {};  // from the defaults
    };
    const std::vector<Case> cases = {
        {{"m.clap"}, "", [](HostOptions& o) { o.module = "m.clap"; }},
        {{"--seconds", "2.5", "m.clap", "--state", "s.json", "--save", "o.json", "--tempo", "90.5",
          "--stopped"},
         "",
         [](HostOptions& o) {
             o.module = "m.clap";
             o.seconds = 2.5;
             o.tempo = 90.5;
             o.stopped = true;
             o.state_file = "s.json";
             o.save_file = "o.json";
         }},
        {{"m.clap", "--seconds", "0", "--tempo", "20"},
         "",
         [](HostOptions& o) {
             o.module = "m.clap";
             o.seconds = 0.0;
             o.tempo = 20.0;
         }},
        {{"--check", "p.json"}, "", [](HostOptions& o) { o.check_file = "p.json"; }},
        {{"m.clap", "--seconds", "1", "--check", "p.json"},
         "",
         [](HostOptions& o) {
             o.module = "m.clap";
             o.check_file = "p.json";
         }},
        {{"--help"}, "", [](HostOptions& o) { o.help = true; }},
        {{}, "No module given"},
        {{"--stopped"}, "No module given"},
        {{"a.clap", "b.clap"}, "Only one module can be given, not also 'b.clap'"},
        {{"m.clap", "--state"}, "Option --state needs a value"},
        {{"--check"}, "Option --check needs a value"},
        {{"m.clap", "--loud"}, "Unknown option --loud"},
        {{"m.clap", "--seconds", "-1"},
         "Option --seconds needs a number from 0 to 86400, not '-1'"},
        {{"m.clap", "--seconds", "2s"},
         "Option --seconds needs a number from 0 to 86400, not '2s'"},
        {{"m.clap", "--seconds", "nan"},
         "Option --seconds needs a number from 0 to 86400, not 'nan'"},
        {{"m.clap", "--seconds", "1e9"},
         "Option --seconds needs a number from 0 to 86400, not '1e9'"},
        {{"m.clap", "--tempo", "19.9"}, "Option --tempo needs a number from 20 to 999, not '19.9'"},
        {{"m.clap", "--tempo", "1000"}, "Option --tempo needs a number from 20 to 999, not '1000'"},
        {{"m.clap", "--tempo", "inf"}, "Option --tempo needs a number from 20 to 999, not 'inf'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const auto parsed = ondrix_tools::parse_options(c.args);
        if (!c.error.empty()) {
            ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
            EXPECT_EQ(std::get<std::string>(parsed), c.error);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<HostOptions>(parsed)) << std::get<std::string>(parsed);
        const HostOptions& o = std::get<HostOptions>(parsed);
        HostOptions expected;
        c.expect(expected);
        EXPECT_EQ(o.module, expected.module);
        EXPECT_EQ(o.seconds, expected.seconds);
        EXPECT_EQ(o.tempo, expected.tempo);
        EXPECT_EQ(o.stopped, expected.stopped);
        EXPECT_EQ(o.state_file, expected.state_file);
        EXPECT_EQ(o.save_file, expected.save_file);
        EXPECT_EQ(o.check_file, expected.check_file);
        EXPECT_EQ(o.help, expected.help);
    }
}

TEST(HostUsage, BothHostsShareTheirSections) {
    const std::string clap = ondrix_tools::host_usage("ondrix-host", "MODULE", "Loads a CLAP.");
    const std::string vst3 =
        ondrix_tools::host_usage("ondrix-vst3-host", "BUNDLE", "Loads a VST3.");
    const auto from = [](const std::string& usage, const char* heading) {
        return usage.substr(usage.find(heading));
    };
    EXPECT_EQ(from(vst3, "\nOptions:"), from(clap, "\nOptions:"));
    for (const char* section :
         {"--tempo BPM", "--stopped", "--check FILE", "Output:", "Exit status:",
          "0 when FILE is clean, 1 when there are warnings only, 2 when"}) {
        EXPECT_NE(vst3.find(section), std::string::npos) << section;
    }
    EXPECT_EQ(vst3.rfind("usage: ondrix-vst3-host BUNDLE [--seconds N] [--tempo BPM] [--stopped]\n"
                         "                               [--state FILE] [--save FILE]\n"
                         "       ondrix-vst3-host --check FILE\n",
                         0),
              0u)
        << vst3;
}

TEST(StateDocument, WrapsABarePatchAndKeepsAStateDocument) {
    struct Case {
        std::string file;
        std::string loaded;
    };
    const std::vector<Case> cases = {
        {R"({"patch":null,"version":1})", R"({"patch":null,"version":1})"},
        {R"({"version":2,"patch":{"tempo":90}})", R"({"version":2,"patch":{"tempo":90}})"},
        {"{\"tempo\": 90,\n \"sources\": []}\n",
         "{\"patch\":{\"tempo\": 90,\n \"sources\": []}\n,\"version\":1}"},
        {R"({})", R"({"patch":{},"version":1})"},
        {R"([[], [], []])", R"({"patch":[[], [], []],"version":1})"},
        {"\xEF\xBB\xBF{\"tempo\":90}", R"({"patch":{"tempo":90},"version":1})"},
        {R"({"tempo": 90)", R"({"tempo": 90)"},  // not JSON: the plug-in refuses it
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(ondrix_tools::state_document_from_file(c.file), c.loaded);
    }
}

TEST(StateCheck, ThePatchReaderSaysWhereInTheFile) {
    const std::string source = R"({"shape":{"kind":"sine"},"rate":{"mode":"free","hz":1}})";
    // Under the bound as read; saved, "1e9" becomes "1000000000.0". The note key "about" is
    // ignored without a warning.
    std::string saved_over_the_bound = R"({"sources":[],"outputs":[],"about":[1e9)";
    while (saved_over_the_bound.size() < 4 * 1024 * 1024 - 64) saved_over_the_bound += ",1e9";
    saved_over_the_bound += "]}";
    // A bare patch that the host's wrapping alone takes over the bound.
    std::string padded = R"({"sources":[],"outputs":[]})";
    padded.resize(4 * 1024 * 1024 - 8, ' ');
    const std::string too_large = "The patch is too large (its state would be over 4 MiB)";
    struct Case {
        std::string file;
        std::string error;
        std::vector<std::string> warnings = {};
    };
    const std::vector<Case> cases = {
        {"{\"sources\": [],\n \"outputs\": [{\"channel\": 0}]}",
         "missing field `cc` at line 2 column 27"},
        // Inside a state document the position is still the file's, whatever surrounds the patch.
        {"{\"version\": 1, \"pad\": \"{[\\\"\",\n  \"patch\": {\"sources\": [" + source +
             "],\n  \"outputs\": [{\"cc\": 300}]}}",
         "invalid value: integer `300`, expected u8 at line 3 column 24"},
        {"{\"version\": 1, \"CC\": 3,\n  \"patch\": {\"sources\": [], \"outputs\": [{\"CC\": 1, "
         "\"cc\": 130}]}}",
         "",
         {"the reader ignores the key \"CC\" at line 2 column 44",
          "controller 130 is above 127 and is sent as controller 2 at line 2 column 58"}},
        {R"({"patch": {"outputs": []}, "patch": {"sources": [], "outputs": {}}})",
         "invalid type: map, expected a sequence at line 1 column 63"},
        // The plug-in reads a key given twice as the last one; so does the check, saying so.
        {R"({"sources": 1, "outputs": [{"cc": 1, "cc": 130}], "sources": []})",
         "",
         {"the key \"sources\" is given again later in its object, and only the last is read at "
          "line 1 column 10",
          "the key \"cc\" is given again later in its object, and only the last is read at line "
          "1 column 32",
          "controller 130 is above 127 and is sent as controller 2 at line 1 column 46"}},
        {R"({"outputs": [{"cc": 1, "cc": 2000}], "outputs": [], "sources": []})",
         "",
         {"the key \"outputs\" is given again later in its object, and only the last is read at "
          "line 1 column 10"}},
        {"\xEF\xBB\xBF{\"sources\": [], \"outputs\": 1}",
         "invalid type: integer `1`, expected a sequence at line 1 column 31"},
        {"\xEF\xBB\xBF{\"patch\": null}", "expected value at line 1 column 1"},
        {"{\"sources\": [", "EOF while parsing a list at line 1 column 13"},
        {R"({"patch": null})", ""},
        {"null", ""},  // wrapped, no patch: the plug-in keeps the one it plays
        {R"({"sources": [], "outputs": []})", ""},
        {std::string(4 * 1024 * 1024 + 1, ' '),
         "it is larger than 4 MiB, the most the plug-in reads as a state"},
        {saved_over_the_bound, too_large},
        {R"({"patch":)" + saved_over_the_bound + "}", too_large},
        {padded, too_large},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.substr(0, 200));
        const ondrix_tools::StateCheck check = ondrix_tools::check_state_file(c.file);
        EXPECT_EQ(check.error, c.error);
        EXPECT_EQ(check.warnings, c.warnings);
    }
}

TEST(BlockTransport, CountsBeatsAndBarsFromTheSongStartOrStandsThere) {
    struct Case {
        std::uint64_t frame;
        bool playing;
        std::int64_t beats;  // in 1/2^31 beat
        std::int64_t seconds;
        std::int64_t bar_start;
        std::int32_t bar_number;
    };
    constexpr std::int64_t one = std::int64_t{1} << 31;
    const std::vector<Case> cases = {
        {0, true, 0, 0, 0, 0},
        {24000, true, one, one / 2, 0, 0},                // half a second: one beat
        {95999, true, 8589845114, 4294922557, 0, 0},      // the last frame of the first bar
        {96000, true, 4 * one, 2 * one, 4 * one, 1},      // two seconds: the second bar starts
        {480000, true, 20 * one, 10 * one, 20 * one, 5},  // ten seconds
        {480000, false, 0, 0, 0, 0},                      // stopped: still at the start
    };
    constexpr std::uint32_t timelines =
        CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
        CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame << (c.playing ? " playing" : " stopped"));
        const clap_event_transport_t t =
            ondrix_tools::block_transport(c.frame, 48000.0, 120.0, c.playing);
        EXPECT_EQ(t.header.size, sizeof(clap_event_transport_t));
        EXPECT_EQ(t.header.space_id, CLAP_CORE_EVENT_SPACE_ID);
        EXPECT_EQ(t.header.type, CLAP_EVENT_TRANSPORT);
        EXPECT_EQ(t.flags, c.playing ? timelines | CLAP_TRANSPORT_IS_PLAYING : timelines);
        EXPECT_EQ(t.tempo, 120.0);
        EXPECT_EQ(t.song_pos_beats, c.beats);
        EXPECT_EQ(t.song_pos_seconds, c.seconds);
        EXPECT_EQ(t.bar_start, c.bar_start);
        EXPECT_EQ(t.bar_number, c.bar_number);
        EXPECT_EQ(t.tsig_num, 4);
        EXPECT_EQ(t.tsig_denom, 4);
    }
}

TEST(EventLine, ShowsControlChangesAsChannelControllerValue) {
    struct Case {
        ondrix_tools::RecordedEvent event;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{5, 0, CLAP_EVENT_MIDI, true, 0, {0xB0, 16, 64}}, "1029 0 16 64"},
        {{0, 0, CLAP_EVENT_MIDI, true, 0, {0xBF, 127, 0}}, "1024 15 127 0"},
        {{7, 0, CLAP_EVENT_MIDI, true, 0, {0x90, 60, 100}}, "1031 midi 144 60 100"},
        {{2, 0, CLAP_EVENT_NOTE_ON, false, 0, {}}, "1026 event 0:0"},
        {{2, 3, CLAP_EVENT_MIDI, false, 0, {}}, "1026 event 3:10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ondrix_tools::event_line(1024, c.event), c.line);
    }
}

TEST(RecordingOutputEvents, KeepsWhatWasPushedAndRefusesEventsTooShortForTheirType) {
    ondrix_tools::RecordingOutputEvents recorder;
    const clap_output_events_t* list = recorder.list();

    const clap_event_midi_t cc = {
        {sizeof(clap_event_midi_t), 9, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0},
        0,
        {0xB1, 2, 3}};
    clap_event_midi_t short_midi = cc;
    short_midi.header.size = sizeof(clap_event_header_t);  // claims MIDI, carries only a header
    clap_event_header_t too_short = cc.header;
    too_short.size = 4;
    const clap_event_header_t other_space = {sizeof(clap_event_header_t), 1, 7, CLAP_EVENT_MIDI, 0};

    EXPECT_TRUE(list->try_push(list, &cc.header));
    EXPECT_FALSE(list->try_push(list, &short_midi.header));
    EXPECT_FALSE(list->try_push(list, &too_short));
    EXPECT_FALSE(list->try_push(list, nullptr));
    EXPECT_TRUE(list->try_push(list, &other_space));  // another space's event is kept, not read

    ASSERT_EQ(recorder.events().size(), 2u);
    EXPECT_EQ(recorder.refused(), 3u);
    EXPECT_EQ(ondrix_tools::event_line(0, recorder.events()[0]), "9 1 2 3");
    EXPECT_EQ(ondrix_tools::event_line(0, recorder.events()[1]), "1 event 7:10");
}

}  // namespace
