#include <sys/resource.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "clap_test_host.hpp"
#include "patches.hpp"

namespace ondrix_plugin_testing {
namespace {

class ReadyPlugin : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(p->init(p)); }

    const clap_plugin_audio_ports_t& audio_ports() {
        return *instance.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    }
    const clap_plugin_note_ports_t& note_ports() {
        return *instance.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    }
    const clap_plugin_state_t& state() {
        return *instance.extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    }
    std::vector<LogLine>& log() { return instance.host().lines; }

    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
};

using AudioPorts = ReadyPlugin;
using NotePorts = ReadyPlugin;
using State = ReadyPlugin;

TEST_F(AudioPorts, OneSilentStereoMainOutput) {
    EXPECT_EQ(audio_ports().count(p, true), 0u);
    EXPECT_EQ(audio_ports().count(p, false), 1u);

    clap_audio_port_info_t info;
    std::memset(&info, 0x5A, sizeof(info));
    ASSERT_TRUE(audio_ports().get(p, 0, false, &info));
    EXPECT_EQ(info.id, 1u);
    EXPECT_STREQ(info.name, "main");
    EXPECT_EQ(info.flags, static_cast<std::uint32_t>(CLAP_AUDIO_PORT_IS_MAIN));
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
    EXPECT_EQ(info.in_place_pair, CLAP_INVALID_ID);

    for (auto [index, is_input] : {std::pair{0u, true}, {1u, false}, {1u, true}}) {
        SCOPED_TRACE(index);
        std::memset(&info, 0x5A, sizeof(info));
        EXPECT_FALSE(audio_ports().get(p, index, is_input, &info));
        EXPECT_EQ(info.id, 0x5A5A5A5Au) << "nothing written";
    }
    EXPECT_TRUE(log().empty());

    EXPECT_FALSE(audio_ports().get(p, 0, false, nullptr));
    EXPECT_EQ(log(), (std::vector<LogLine>{
                         {CLAP_LOG_HOST_MISBEHAVING,
                          "Plugin method was called with null clap_audio_port_info pointer"}}));
}

TEST_F(NotePorts, MidiInAndControlChangesOut) {
    EXPECT_EQ(note_ports().count(p, true), 1u);
    EXPECT_EQ(note_ports().count(p, false), 1u);
    const struct {
        bool is_input;
        std::uint32_t id;
        const char* name;
        std::uint32_t dialects;
        std::uint32_t preferred;
    } rows[] = {{true, 1, "MIDI in", 3, 2}, {false, 2, "CCs out", 2, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        clap_note_port_info_t info;
        std::memset(&info, 'x', sizeof(info));
        ASSERT_TRUE(note_ports().get(p, 0, row.is_input, &info));
        EXPECT_EQ(info.id, row.id);
        EXPECT_STREQ(info.name, row.name);
        EXPECT_EQ(info.name[std::strlen(row.name) + 1], 'x') << "the rest of the name is untouched";
        EXPECT_EQ(info.supported_dialects, row.dialects);
        EXPECT_EQ(info.preferred_dialect, row.preferred);

        std::memset(&info, 'x', sizeof(info));
        EXPECT_FALSE(note_ports().get(p, 1, row.is_input, &info));
        EXPECT_EQ(info.name[0], 'x');
    }
    EXPECT_TRUE(log().empty());
    EXPECT_FALSE(note_ports().get(p, 0, true, nullptr));
    EXPECT_EQ(
        log(),
        (std::vector<LogLine>{{CLAP_LOG_HOST_MISBEHAVING,
                               "Plugin method was called with null clap_note_port_info pointer"}}));
}

TEST_F(State, AFreshInstanceSavesANullPatch) {
    EXPECT_EQ(instance.save_state(), R"({"patch":null,"version":1})");
}

TEST_F(State, SaveWritesEveryByteHoweverFewEachWriteTakes) {
    ASSERT_TRUE(instance.load_state(state_of(CONSTANT_PATCH)));
    const std::string expected = instance.save_state();
    ByteSink one_at_a_time(1);
    ASSERT_TRUE(state().save(p, one_at_a_time.raw()));
    EXPECT_EQ(one_at_a_time.bytes(), expected);
    EXPECT_EQ(one_at_a_time.writes(), expected.size());
    EXPECT_TRUE(log().empty());
}

TEST_F(State, FailedSavesAreThePluginsOwnErrors) {
    const struct {
        std::int64_t result;
        const char* text;
    } cases[] = {{0, "failed to write whole buffer"},
                 {-1, "CLAP stream error (code: -1)"},
                 {-77, "CLAP stream error (code: -77)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        log().clear();
        ByteSink sink(SIZE_MAX, c.result);
        EXPECT_FALSE(state().save(p, sink.raw()));
        EXPECT_EQ(sink.writes(), 1u) << "never retried";
        EXPECT_EQ(log(), (std::vector<LogLine>{{CLAP_LOG_ERROR, c.text}}));
    }
    clap_ostream_t no_write{nullptr, nullptr};
    log().clear();
    EXPECT_FALSE(state().save(p, &no_write));
    EXPECT_EQ(log(), (std::vector<LogLine>{{CLAP_LOG_ERROR, "failed to write whole buffer"}}));
}

TEST_F(State, LoadReadsTheWholeStreamInAnyChunking) {
    // Long enough to need the buffer to grow past its first reads.
    nlohmann::json patch = nlohmann::json::parse(CONSTANT_PATCH);
    patch["padding"] = std::string(20000, 'p');
    const std::string document = state_of(patch.dump());
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{8192}, SIZE_MAX}) {
        SCOPED_TRACE(chunk);
        PluginUnderTest fresh;
        ASSERT_TRUE(fresh.plugin()->init(fresh.plugin()));
        ByteSource source(document, chunk);
        ASSERT_TRUE(fresh.extension<clap_plugin_state_t>(CLAP_EXT_STATE)
                        ->load(fresh.plugin(), source.raw()));
        EXPECT_EQ(nlohmann::json::parse(fresh.save_state()), nlohmann::json::parse(document));
        EXPECT_TRUE(fresh.host().lines.empty());
    }
}

TEST_F(State, SavedPatchKeepsItsMembersInKeyOrder) {
    ASSERT_TRUE(instance.load_state(
        R"({"version":2,"patch":{"tempo":120,"sources":[],"outputs":[{"cc":16}],"extra":true}})"));
    EXPECT_EQ(
        instance.save_state(),
        R"({"patch":{"extra":true,"outputs":[{"cc":16}],"sources":[],"tempo":120},"version":1})");
}

// A patch that reads well but is saved over the bound: "1e9" is written back as
// "1000000000.0".
std::string patch_saved_over_the_bound() {
    std::string numbers = R"({"sources":[],"outputs":[],"spare":[1e9)";
    while (numbers.size() < 4 * 1024 * 1024 - 64) numbers += ",1e9";
    return numbers + "]}";
}

TEST_F(State, RefusedLoadsSayWhyOnASecondLineAndChangeNothing) {
    ASSERT_TRUE(instance.load_state(state_of(CONSTANT_PATCH)));
    const std::string before = instance.save_state();
    constexpr const char* refused = "Couldn't read the plugin state";
    const struct {
        const char* name;
        std::string bytes;
        std::int64_t fail_code;
        std::vector<std::string> lines;
    } cases[] = {
        {"read error", "", -1, {"CLAP stream error (code: -1)"}},
        {"empty stream", "", 0, {refused, "EOF while parsing a value at line 1 column 0"}},
        {"not JSON", "{\"patch\":", 0, {refused, "EOF while parsing a value at line 1 column 9"}},
        {"unreadable patch",
         R"({"patch":{"sources":"x"}})",
         0,
         {refused, R"(invalid type: string "x", expected a sequence at line 1 column 23)"}},
        {"where in the document",
         "{\"version\": 1,\n \"patch\": {\"sources\": [],\n  \"outputs\": [{\"cc\": 300}]}}",
         0,
         {refused, "invalid value: integer `300`, expected u8 at line 3 column 24"}},
        {"patch saved over the bound",
         R"({"patch":)" + patch_saved_over_the_bound() + "}",
         0,
         {refused, "The patch is too large (its state would be over 4 MiB)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log().clear();
        ByteSource source(c.bytes, SIZE_MAX, c.fail_code);
        EXPECT_FALSE(state().load(p, source.raw()));
        std::vector<LogLine> expected;
        for (const std::string& line : c.lines) expected.push_back({CLAP_LOG_ERROR, line});
        EXPECT_EQ(log(), expected);
        EXPECT_EQ(instance.save_state(), before);
    }
    log().clear();
    clap_istream_t no_read{nullptr, nullptr};
    EXPECT_FALSE(state().load(p, &no_read)) << "no read function: an empty stream";
    EXPECT_EQ(log().size(), 2u);
    EXPECT_EQ(log().front(), (LogLine{CLAP_LOG_ERROR, refused}));
}

TEST(StateWithoutHostLog, ARefusedLoadSaysWhyOnStandardError) {
    PluginUnderTest instance(/*with_log=*/false);
    ASSERT_TRUE(instance.plugin()->init(instance.plugin()));
    ByteSource source(R"({"patch":{"sources":"x"}})");
    StderrCapture err;
    EXPECT_FALSE(instance.extension<clap_plugin_state_t>(CLAP_EXT_STATE)
                     ->load(instance.plugin(), source.raw()));
    EXPECT_EQ(err.finish(),
              "[CLAP_PLUGIN_ERROR] Couldn't read the plugin state\n"
              "[CLAP_PLUGIN_ERROR] invalid type: string \"x\", expected a sequence at line 1 "
              "column 23\n");
}

// The plug-in reads at most 4 MiB of JSON from a host's stream.
constexpr std::size_t BOUND = std::size_t{4} * 1024 * 1024;

long peak_resident_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST_F(State, AStreamPastTheBoundIsRefusedAfterOneByteMore) {
    ASSERT_TRUE(instance.load_state(state_of(CONSTANT_PATCH)));
    const std::string before = instance.save_state();
    const long peak_before = peak_resident_kib();

    // A stream of zero bytes that never ends, as /dev/zero gives.
    struct Endless {
        clap_istream_t stream{this, [](const clap_istream_t* s, void* buffer, std::uint64_t size) {
                                  auto* self = static_cast<Endless*>(s->ctx);
                                  std::memset(buffer, 0, size);
                                  self->delivered += size;
                                  return static_cast<std::int64_t>(size);
                              }};
        std::uint64_t delivered = 0;
    } zeros;
    // A valid state document one byte too long: the patch padded with trailing spaces.
    std::string padded = state_of(CONSTANT_PATCH);
    padded.resize(BOUND + 1, ' ');
    std::string exact = padded.substr(0, BOUND);

    log().clear();
    EXPECT_FALSE(state().load(p, &zeros.stream));
    EXPECT_EQ(zeros.delivered, BOUND + 1);
    ByteSource too_long(padded, 65536);
    EXPECT_FALSE(state().load(p, too_long.raw()));
    const LogLine refused{CLAP_LOG_ERROR, "Couldn't read the plugin state"};
    const LogLine why{CLAP_LOG_ERROR,
                      "it is larger than 4 MiB, the most the plug-in reads as a state"};
    EXPECT_EQ(log(), (std::vector<LogLine>{refused, why, refused, why}));
    EXPECT_EQ(instance.save_state(), before);
    EXPECT_LT(peak_resident_kib() - peak_before, 64 * 1024);

    ByteSource at_the_bound(exact, 65536);
    EXPECT_TRUE(state().load(p, at_the_bound.raw()));
}

TEST_F(State, AcceptedDocumentsWithoutAPatchKeepTheCurrentOne) {
    ASSERT_TRUE(instance.load_state(state_of(CONSTANT_PATCH)));
    const std::string before = instance.save_state();
    for (const char* document : {"{}", "[1,2]", "5", R"({"patch":null,"version":1})"}) {
        SCOPED_TRACE(document);
        EXPECT_TRUE(instance.load_state(document));
        EXPECT_EQ(instance.save_state(), before);
    }
    EXPECT_TRUE(log().empty());
}

TEST_F(State, NullStreamsAreRefused) {
    EXPECT_FALSE(state().save(p, nullptr));
    EXPECT_FALSE(state().load(p, nullptr));
    EXPECT_EQ(log(),
              (std::vector<LogLine>{{CLAP_LOG_HOST_MISBEHAVING,
                                     "Plugin method was called with null clap_ostream pointer"},
                                    {CLAP_LOG_HOST_MISBEHAVING,
                                     "Plugin method was called with null clap_istream pointer"}}));
}

TEST_F(State, AStreamClaimingMoreThanAskedIsCaught) {
    clap_istream_t liar{nullptr, [](const clap_istream_t*, void*, std::uint64_t size) {
                            return static_cast<std::int64_t>(size + 1);
                        }};
    EXPECT_FALSE(state().load(p, &liar));
    clap_ostream_t boaster{nullptr, [](const clap_ostream_t*, const void*, std::uint64_t size) {
                               return static_cast<std::int64_t>(size + 1);
                           }};
    EXPECT_FALSE(state().save(p, &boaster));
    EXPECT_EQ(log(), (std::vector<LogLine>{{CLAP_LOG_PLUGIN_MISBEHAVING, "Plugin panicked"},
                                           {CLAP_LOG_PLUGIN_MISBEHAVING, "Plugin panicked"}}));
}

}  // namespace
}  // namespace ondrix_plugin_testing
