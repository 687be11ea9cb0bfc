// ondrix-vst3-host's whole run against a stand-in VST3 module that journals the calls it gets.
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../host_test_fixture.hpp"
#include "vst3/run_vst3_host.hpp"

namespace {

using namespace ondrix_tools_test;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class Vst3HostRun : public FakeModuleTest<void()> {
  protected:
    Vst3HostRun()
        : FakeModuleTest(ONDRIX_FAKE_VST3_MODULE, "fake_vst3_reset", "fake_vst3_journal",
                         "ondrix-vst3-host-test") {}

    int run(const ondrix_tools::HostOptions& options,
            const std::vector<ondrix_tools::NoteIn>& notes = {}) {
        reset_();
        out_.str("");
        err_.str("");
        return ondrix_tools::run_vst3_host(options, out_, err_, notes);
    }

    ondrix_tools::HostOptions options(double seconds) const {
        ondrix_tools::HostOptions o;
        o.module = ONDRIX_FAKE_VST3_MODULE;
        o.seconds = seconds;
        return o;
    }
};

TEST_F(Vst3HostRun, DrivesTheComponentThroughItsWholeLifeInOrder) {
    const fs::path state = dir_ / "state.json";
    std::ofstream(state) << R"({"patch":null,"version":1})";
    const fs::path saved = dir_ / "saved.json";
    auto o = options(512.0 / 48000.0);
    o.state_file = state.string();
    o.save_file = saved.string();
    ASSERT_EQ(run(o), 0) << err_.str();
    EXPECT_EQ(err_.str(), "");
    EXPECT_THAT(lifecycle(),
                ElementsAre("ModuleEntry", "GetPluginFactory", "created",
                            "initialize ondrix-vst3-host", "activateBus 0 1 0 1",
                            "activateBus 1 0 0 1", "activateBus 1 1 0 1",
                            R"(setState {"patch":null,"version":1})",
                            "setupProcessing 0 0 256 48000", "setActive 1", "setProcessing 1",
                            "setProcessing 0", "getState", "setActive 0", "terminate",
                            "destroyed", "ModuleExit"));
    EXPECT_EQ(read_file(saved), R"({"patch":null,"version":1})");
}

TEST_F(Vst3HostRun, GivesEachBlockAPlayingTransportAndPrintsItsControlChanges) {
    // 2.5 blocks: the last one is short.
    ASSERT_EQ(run(options(640.0 / 48000.0)), 0) << err_.str();
    // kPlaying | kProjectTimeMusicValid | kTempoValid | kBarPositionValid | kTimeSigValid |
    // kContTimeValid
    const std::string flags = std::to_string(2 | 512 | 1024 | 2048 | 8192 | 131072);
    EXPECT_THAT(blocks(),
                ElementsAre("process 256 1 2 state " + flags + " at 0 music 0 bar 0 tempo 120 4/4",
                            "process 256 1 2 state " + flags +
                                " at 256 music 0.0106667 bar 0 tempo 120 4/4",
                            "process 128 1 2 state " + flags +
                                " at 512 music 0.0213333 bar 0 tempo 120 4/4"));
    EXPECT_THAT(lines(out_.str()), ElementsAre("0 0 16 0", "256 0 16 1", "512 0 16 2"));
}

TEST_F(Vst3HostRun, ANoteSentInComesBackAtItsSample) {
    ASSERT_EQ(run(options(768.0 / 48000.0), {{300, 2, 64, 0.5f}}), 0) << err_.str();
    EXPECT_THAT(lines(out_.str()), ElementsAre("0 0 16 0", "256 0 16 1", "300 midi 146 64 64",
                                               "512 0 16 2", "556 midi 130 64 0"));
}

TEST_F(Vst3HostRun, ReportsAModuleItCannotLoad) {
    auto o = options(1.0);
    o.module = (dir_ / "Missing.vst3").string();
    EXPECT_EQ(run(o), 1);
    EXPECT_THAT(err_.str(), ::testing::StartsWith("ondrix-vst3-host: Couldn't load '" +
                                                  (dir_ / "Missing.vst3").string()));
    EXPECT_EQ(out_.str(), "");
}

TEST_F(Vst3HostRun, TakesTheTempoAndAStoppedTransport) {
    auto o = options(512.0 / 48000.0);
    o.tempo = 90.0;
    o.stopped = true;
    ASSERT_EQ(run(o), 0) << err_.str();
    // Without kPlaying; the song position stays at 0 while the continuous time goes on.
    const std::string flags = std::to_string(512 | 1024 | 2048 | 8192 | 131072);
    EXPECT_THAT(blocks(),
                ElementsAre("process 256 1 2 state " + flags + " at 0 music 0 bar 0 tempo 90 4/4",
                            "process 256 1 2 state " + flags + " at 0 music 0 bar 0 tempo 90 4/4"));
}

TEST(Vst3BlockContext, FollowsTheBeatsAndBarsOfTheRunOrStandsStill) {
    // Two bars at 120 BPM are four seconds.
    const auto context = ondrix_tools::block_context(4 * 48000 + 24000, 48000.0, 120.0, true);
    EXPECT_EQ(context.projectTimeSamples, 4 * 48000 + 24000);
    EXPECT_DOUBLE_EQ(context.projectTimeMusic, 9.0);
    EXPECT_DOUBLE_EQ(context.barPositionMusic, 8.0);
    const auto stopped = ondrix_tools::block_context(4 * 48000 + 24000, 48000.0, 120.0, false);
    EXPECT_EQ(stopped.projectTimeSamples, 0);
    EXPECT_EQ(stopped.continousTimeSamples, 4 * 48000 + 24000);
    EXPECT_EQ(stopped.state & Steinberg::Vst::ProcessContext::kPlaying, 0u);
}

}  // namespace
