#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap_test_host.hpp"
#include "patches.hpp"

namespace ondrix_plugin_testing {
namespace {

// What one call must have reported.
struct Expectation {
    enum class Kind { Refused, Quiet, Failed } kind;
    // A refused or failed call must also have returned its failure value (unknown for void calls).
    bool returned_failure = true;
    // The lines a failure is reported with: its text, then its reason where it has one.
    std::size_t lines = 1;
};

Expectation refused(bool returned_failure = true) {
    return {Expectation::Kind::Refused, returned_failure};
}
Expectation quiet() {
    return {Expectation::Kind::Quiet, false};
}
// An allowed call whose own work failed (or not): logged once exactly when it failed.
Expectation failed_if(bool failed, std::size_t lines = 1) {
    return failed ? Expectation{Expectation::Kind::Failed, true, lines} : quiet();
}

std::size_t count_lines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

// Drives random sequences of every plug-in and extension call, legal and illegal, with random
// arguments, against a model of the instance's state: a refused call must fail and be reported
// once (at severity 5 through a host log, or on standard error without one), an allowed call
// must behave and report only its own failures, and nothing may crash or leak (the sanitizer
// build runs this too).
class RandomHost {
  public:
    explicit RandomHost(std::uint32_t seed) : rng_(seed) {}

    void run(int sequences, int max_calls) {
        const bool failed_before = ::testing::Test::HasFailure();
        auto failing = [failed_before] { return !failed_before && ::testing::Test::HasFailure(); };
        for (int s = 0; s < sequences && !failing(); ++s) {
            with_log_ = chance(0.8);
            instance_ = std::make_unique<PluginUnderTest>(with_log_);
            initialised_ = false;
            active_ = false;
            const int calls = pick(1, max_calls);
            for (int c = 0; c < calls && instance_ && !failing(); ++c) step();
            instance_.reset();
        }
    }

  private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    const clap_plugin_t* p() const { return instance_->plugin(); }
    std::vector<LogLine>& lines() { return instance_->host().lines; }

    void step() {
        std::optional<StderrCapture> err;
        if (!with_log_) err.emplace();
        const std::size_t before = lines().size();
        const char* name = "";
        std::optional<Expectation> expected = call(name);
        if (!instance_ || !expected) return;  // destroyed, or nothing to check
        SCOPED_TRACE(name);
        const std::size_t reported =
            with_log_ ? lines().size() - before : count_lines(err->finish());
        switch (expected->kind) {
            case Expectation::Kind::Quiet:
                EXPECT_EQ(reported, 0u) << (lines().empty() ? "" : lines().back().message);
                break;
            case Expectation::Kind::Refused:
                ASSERT_EQ(reported, 1u) << "a refused call is reported once";
                if (with_log_) {
                    EXPECT_EQ(lines().back().severity, CLAP_LOG_HOST_MISBEHAVING);
                }
                EXPECT_TRUE(expected->returned_failure);
                break;
            case Expectation::Kind::Failed:
                EXPECT_EQ(reported, expected->lines) << "a failed call is reported once";
                break;
        }
    }

    // Makes one random call; returns what it must have reported.
    std::optional<Expectation> call(const char*& name) {
        const bool ready = initialised_;
        const bool running = initialised_ && active_;
        int which = pick(0, 15);
        // Lean towards the calls that lead on, so that most sequences reach processing.
        if (!initialised_ && chance(0.4)) which = 0;
        if (initialised_ && !active_ && chance(0.4)) which = 2;
        if (initialised_ && active_ && chance(0.3)) which = 7;
        switch (which) {
            case 0: {
                name = "init";
                const bool ok = p()->init(p());
                if (ready) return refused(!ok);
                EXPECT_TRUE(ok);
                initialised_ = true;
                return quiet();
            }
            case 1:
                name = "destroy";
                if (chance(0.3)) instance_.reset();
                return std::nullopt;
            case 2: {
                name = "activate";
                const double rates[] = {48000.0, 44100.0, 96000.0, 8000.0, 1000.0, 192000.0};
                const bool ok = p()->activate(p(), rates[pick(0, 5)], pick(0, 64), pick(0, 8192));
                if (!ready || active_) return refused(!ok);
                EXPECT_TRUE(ok);
                active_ = true;
                return quiet();
            }
            case 3:
                name = "deactivate";
                p()->deactivate(p());
                if (!running) return refused();
                active_ = false;
                return quiet();
            case 4: {
                name = "start_processing";
                const bool ok = p()->start_processing(p());
                if (!running) return refused(!ok);
                EXPECT_TRUE(ok);
                return quiet();
            }
            case 5:
                name = "stop_processing";
                p()->stop_processing(p());
                return running ? quiet() : refused();
            case 6:
                name = "reset";
                p()->reset(p());
                return running ? quiet() : refused();
            case 7:
            case 8:
                name = "process";
                return process();
            case 9: {
                name = "get_extension";
                const char* ids[] = {CLAP_EXT_STATE, CLAP_EXT_AUDIO_PORTS, CLAP_EXT_NOTE_PORTS,
                                     "clap.gui",     "clap.params",        "",
                                     nullptr};
                const int which = pick(0, 6);
                const void* table = p()->get_extension(p(), ids[which]);
                if (!ready) return refused(table == nullptr);
                EXPECT_EQ(table != nullptr, which < 4);
                return quiet();
            }
            case 10:
                name = "on_main_thread";
                p()->on_main_thread(p());
                return ready ? quiet() : refused();
            case 11:
                name = "ports";
                return ports();
            case 12:
            case 13:
                name = "state";
                return state();
            case 14:
                name = "null plug-in";
                p()->activate(nullptr, 48000.0, 1, 512);
                // Without a record the host is unknown: the report goes to standard error only.
                return with_log_ ? quiet() : failed_if(true);
            default:
                name = "nothing";
                return std::nullopt;
        }
    }

    Expectation process() {
        const std::uint32_t frames = static_cast<std::uint32_t>(pick(0, 1200));
        std::vector<std::vector<float>> channels(2, std::vector<float>(frames, 3.0f));
        float* pointers[] = {channels[0].data(), chance(0.9) ? channels[1].data() : nullptr};
        clap_audio_buffer_t buffer{};
        buffer.data32 = chance(0.9) ? pointers : nullptr;
        buffer.channel_count = static_cast<std::uint32_t>(pick(0, 2));

        InputEvents in;
        const int events = pick(0, 12);
        for (int i = 0; i < events; ++i) {
            if (chance(0.03)) {
                in.add_null();
                continue;
            }
            auto event = host_midi(
                static_cast<std::uint32_t>(pick(0, static_cast<int>(frames) + 10)), 0x90, 60);
            event.header.type = static_cast<std::uint16_t>(pick(0, 15));
            event.header.space_id = chance(0.9) ? 0 : 1;
            in.add(event);
        }
        OutputEvents out(chance(0.9));

        clap_event_transport_t transport{};
        transport.header = {sizeof(transport), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT,
                            0};
        transport.flags = static_cast<std::uint32_t>(pick(0, 255));
        const double tempos[] = {120.0,
                                 0.0,
                                 -5.0,
                                 1e9,
                                 std::numeric_limits<double>::quiet_NaN(),
                                 std::numeric_limits<double>::infinity()};
        transport.tempo = tempos[pick(0, 5)];
        transport.song_pos_beats = static_cast<clap_beattime>(rng_()) << pick(0, 31);
        const int transport_kind = pick(0, 9);
        if (transport_kind == 8) transport.header.space_id = 2;
        if (transport_kind == 9) transport.header.type = CLAP_EVENT_NOTE_ON;

        clap_process_t block{};
        block.frames_count = frames;
        block.steady_time = -1;
        block.transport = transport_kind < 3 ? nullptr : &transport;
        block.audio_outputs = chance(0.95) ? &buffer : nullptr;
        block.audio_outputs_count = 1;
        block.in_events = chance(0.9) ? in.raw() : nullptr;
        block.out_events = chance(0.95) ? out.raw() : nullptr;

        const bool null_block = chance(0.02);
        const clap_process_status status = p()->process(p(), null_block ? nullptr : &block);
        if (!(initialised_ && active_)) return refused(status == CLAP_PROCESS_ERROR);
        if (null_block || transport_kind >= 8) {
            EXPECT_EQ(status, CLAP_PROCESS_ERROR);
            return failed_if(true);
        }
        EXPECT_EQ(status, CLAP_PROCESS_CONTINUE);
        ++blocks_processed_;
        if (block.audio_outputs != nullptr && buffer.data32 != nullptr &&
            buffer.channel_count > 0) {
            EXPECT_TRUE(std::all_of(channels[0].begin(), channels[0].end(),
                                    [](float s) { return s == 0.0f; }));
        }
        for (std::size_t i = 0; i < out.events().size(); ++i) {
            const auto& header = out.header(i);
            EXPECT_GE(header.size, sizeof(clap_event_header_t));
            const bool generated = header.type == CLAP_EVENT_MIDI &&
                                   (out.as<clap_event_midi_t>(i).data[0] & 0xF0) == 0xB0;
            if (generated) {
                EXPECT_LT(header.time, std::max<std::uint32_t>(frames, 1));
            }
        }
        return quiet();
    }

    Expectation ports() {
        const bool audio = chance(0.5);
        const void* table = static_table(audio ? CLAP_EXT_AUDIO_PORTS : CLAP_EXT_NOTE_PORTS);
        const std::uint32_t index = static_cast<std::uint32_t>(pick(0, 2));
        const bool is_input = chance(0.5);
        const bool null_info = chance(0.2);
        bool ok;
        bool expected_ok;
        if (audio) {
            clap_audio_port_info_t info{};
            ok = static_cast<const clap_plugin_audio_ports_t*>(table)->get(
                p(), index, is_input, null_info ? nullptr : &info);
            expected_ok = !null_info && index == 0 && !is_input;
        } else {
            clap_note_port_info_t info{};
            ok = static_cast<const clap_plugin_note_ports_t*>(table)->get(
                p(), index, is_input, null_info ? nullptr : &info);
            expected_ok = !null_info && index == 0;
        }
        if (!initialised_) return refused(!ok);
        EXPECT_EQ(ok, expected_ok);
        return failed_if(null_info);
    }

    Expectation state() {
        const auto* table = static_cast<const clap_plugin_state_t*>(static_table(CLAP_EXT_STATE));
        bool ok;
        bool may_succeed;
        std::size_t lines = 1;
        if (chance(0.5)) {
            const std::int64_t results[] = {1, 1, 1, 0, -1};
            const std::int64_t result = results[pick(0, 4)];
            ByteSink sink(static_cast<std::size_t>(pick(1, 64)), result);
            const bool null_stream = chance(0.05);
            ok = table->save(p(), null_stream ? nullptr : sink.raw());
            may_succeed = result > 0 && !null_stream;
        } else {
            const std::string documents[] = {state_of(CONSTANT_PATCH),
                                             state_of(SAW_PATCH),
                                             "{}",
                                             R"({"patch":null})",
                                             "",
                                             "{\"patch\":",
                                             "[1,",
                                             "\xff\xfe"};
            const int which = pick(0, 7);
            const bool failing = chance(0.1);
            const bool null_stream = chance(0.05);
            ByteSource source(documents[which], static_cast<std::size_t>(pick(1, 100)),
                              failing ? -5 : 0);
            ok = table->load(p(), null_stream ? nullptr : source.raw());
            may_succeed = !failing && !null_stream && which < 4;
            // A document that was read and refused is reported with the parser's reason.
            if (!failing && !null_stream) lines = 2;
        }
        if (!initialised_) return refused(!ok);
        if (ok) {
            EXPECT_TRUE(may_succeed) << "a failing stream or document was accepted";
        }
        return failed_if(!ok, lines);
    }

    // The extension tables are static: they are fetched once from a ready instance, so that calls
    // on instances that are not ready reach the frame's refusal.
    const void* static_table(const char* id) {
        if (tables_.empty()) {
            PluginUnderTest keeper;
            keeper.plugin()->init(keeper.plugin());
            for (const char* known : {CLAP_EXT_AUDIO_PORTS, CLAP_EXT_NOTE_PORTS, CLAP_EXT_STATE}) {
                tables_.emplace_back(known, keeper.plugin()->get_extension(keeper.plugin(), known));
            }
        }
        for (const auto& [known, table] : tables_) {
            if (std::string(known) == id) return table;
        }
        return nullptr;
    }

  public:
    std::size_t blocks_processed() const { return blocks_processed_; }

  private:
    std::size_t blocks_processed_ = 0;
    std::mt19937 rng_;
    std::unique_ptr<PluginUnderTest> instance_;
    bool with_log_ = true;
    bool initialised_ = false;
    bool active_ = false;
    std::vector<std::pair<const char*, const void*>> tables_;
};

TEST(RandomCalls, NeverCrashNeverLeakAndReportEveryRefusal) {
    for (std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        RandomHost host(seed);
        host.run(/*sequences=*/600, /*max_calls=*/40);
        EXPECT_GT(host.blocks_processed(), 1000u) << "the sequences must reach processing";
    }
}

}  // namespace
}  // namespace ondrix_plugin_testing
