// ondrix-vst3-host's whole run against a stand-in VST3 module that journals the calls it gets.
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "vst3/run_vst3_host.hpp"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

// Keeps the stand-in module loaded for the whole test, so its journal outlives the host's
// dlclose.
class Vst3HostRun : public ::testing::Test {
  protected:
    void SetUp() override {
        handle_ = dlopen(ONDRIX_FAKE_VST3_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        reset_ = reinterpret_cast<void (*)()>(dlsym(handle_, "fake_vst3_reset"));
        journal_ = reinterpret_cast<const char* (*)()>(dlsym(handle_, "fake_vst3_journal"));
        ASSERT_NE(reset_, nullptr);
        ASSERT_NE(journal_, nullptr);
        dir_ = fs::temp_directory_path() /
               ("ondrix-vst3-host-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        if (handle_ != nullptr) dlclose(handle_);
    }

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

    // The journal without its per-block lines, and those lines apart.
    std::vector<std::string> lifecycle() const { return select(false); }
    std::vector<std::string> blocks() const { return select(true); }

    std::ostringstream out_;
    std::ostringstream err_;
    fs::path dir_;

  private:
    std::vector<std::string> select(bool process_lines) const {
        std::vector<std::string> result;
        for (const std::string& line : lines(journal_())) {
            if ((line.rfind("process ", 0) == 0) == process_lines) result.push_back(line);
        }
        return result;
    }

    void* handle_ = nullptr;
    void (*reset_)() = nullptr;
    const char* (*journal_)() = nullptr;
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
    std::ifstream in(saved, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              R"({"patch":null,"version":1})");
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

TEST(Vst3PlayingContext, FollowsTheBeatsAndBarsOfTheRun) {
    // Two bars at 120 BPM are four seconds.
    const auto context = ondrix_tools::playing_context(4 * 48000 + 24000, 48000.0, 120.0);
    EXPECT_EQ(context.projectTimeSamples, 4 * 48000 + 24000);
    EXPECT_DOUBLE_EQ(context.projectTimeMusic, 9.0);
    EXPECT_DOUBLE_EQ(context.barPositionMusic, 8.0);
}

}  // namespace
