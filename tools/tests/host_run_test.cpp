// ondrix-host's whole run against a stand-in module that journals the calls it gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_test_fixture.hpp"
#include "run_host.hpp"

namespace {

using namespace ondrix_tools_test;

class HostRun : public FakeModuleTest<void(const char*)> {
  protected:
    HostRun()
        : FakeModuleTest(ONDRIX_FAKE_MODULE, "fake_module_reset", "fake_module_journal",
                         "ondrix-host-test") {}

    int run(const ondrix_tools::HostOptions& options, const char* failing_step = "") {
        reset_(failing_step);
        out_.str("");
        err_.str("");
        return ondrix_tools::run_host(options, out_, err_);
    }

    ondrix_tools::HostOptions options() const {
        ondrix_tools::HostOptions o;
        o.module = ONDRIX_FAKE_MODULE;
        return o;
    }
};

TEST_F(HostRun, RunsTheWholeLifecycleAndPrintsEveryOutputEvent) {
    auto o = options();
    o.state_file = write("patch.json", R"({"tempo": 90})");
    o.save_file = (dir_ / "saved.json").string();
    ASSERT_EQ(run(o), 0) << err_.str();

    EXPECT_EQ(lifecycle(), (std::vector<std::string>{
                               "entry.init with path",
                               "create test.fake for ondrix-host",
                               "init",
                               R"(load {"patch":{"tempo": 90},"version":1})",
                               "activate 48000 256 256",
                               "start",
                               "on_main_thread",
                               "stop",
                               "save",
                               "deactivate",
                               "destroy",
                               "entry.deinit",
                           }));

    // One second at 48 kHz: 187 blocks of 256 frames and one of 128, each with the transport
    // playing at 120 BPM (flags: tempo, beats, seconds, time signature, playing = 31) and one
    // stereo output; the beat position is in 31-bit fixed point (256 frames = 1/93.75 beat).
    const std::vector<std::string> b = blocks();
    ASSERT_EQ(b.size(), 188u);
    EXPECT_EQ(b[0], "process 256 0 0 31 120 outputs 1x2");
    EXPECT_EQ(b[1], "process 256 256 22906492 31 120 outputs 1x2");
    EXPECT_EQ(b[187], "process 128 47872 4283514050 31 120 outputs 1x2");

    const std::vector<std::string> printed = lines(out_.str());
    ASSERT_EQ(printed.size(), 189u);
    EXPECT_EQ(printed[0], "4 event 0:0");  // the note-on of the first block
    EXPECT_EQ(printed[1], "3 2 7 0");      // pushed after it, at an earlier time: printed as pushed
    EXPECT_EQ(printed[2], "259 2 7 1");
    EXPECT_EQ(printed[188], "47875 2 7 59");  // block 187: 187 & 127 = 59

    EXPECT_NE(err_.str().find("PLUGIN: INFO: hello from init\n"), std::string::npos);
    EXPECT_EQ(read_file(*o.save_file), "saved by the fake");
}

TEST_F(HostRun, LoadsAStateDocumentAsItIs) {
    auto o = options();
    o.state_file = write("state.json", R"({"patch":null,"version":1})");
    o.seconds = 0;
    ASSERT_EQ(run(o), 0) << err_.str();
    EXPECT_EQ(lifecycle()[3], R"(load {"patch":null,"version":1})");
    EXPECT_TRUE(blocks().empty());
}

TEST_F(HostRun, AFailedStepEndsTheRunButStillShutsDownCleanly) {
    struct Case {
        const char* failing_step;
        const char* error;
        std::vector<std::string> tail;  // the journal's last lines
    };
    const std::vector<Case> cases = {
        {"entry", "refused to initialise its entry", {"entry.init with path"}},
        {"init", "The plug-in failed to initialise", {"init", "destroy", "entry.deinit"}},
        {"load", "The plug-in refused the state in", {"destroy", "entry.deinit"}},
        {"activate",
         "The plug-in failed to activate",
         {"activate 48000 256 256", "destroy", "entry.deinit"}},
        {"process",
         "failed to process the block at sample 512",
         {"stop", "deactivate", "destroy", "entry.deinit"}},
        {"log-error",
         "the plug-in logged 1 error(s)",
         {"stop", "deactivate", "destroy", "entry.deinit"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing_step);
        auto o = options();
        o.state_file = write("state.json", R"({"patch":null})");
        EXPECT_EQ(run(o, c.failing_step), 1);
        EXPECT_NE(err_.str().find(c.error), std::string::npos) << err_.str();
        const std::vector<std::string> all = lifecycle();
        ASSERT_GE(all.size(), c.tail.size());
        EXPECT_EQ(std::vector<std::string>(all.end() - c.tail.size(), all.end()), c.tail);
    }
}

TEST_F(HostRun, ReportsFilesItCannotUse) {
    auto missing_module = options();
    missing_module.module = (dir_ / "nothing.clap").string();
    EXPECT_EQ(run(missing_module), 1);
    EXPECT_NE(err_.str().find("Couldn't open the module"), std::string::npos) << err_.str();

    auto not_a_module = options();
    not_a_module.module = write("text.clap", "not a shared library");
    EXPECT_EQ(run(not_a_module), 1);
    EXPECT_NE(err_.str().find("Couldn't open the module"), std::string::npos) << err_.str();

    auto missing_state = options();
    missing_state.state_file = (dir_ / "absent.json").string();
    EXPECT_EQ(run(missing_state), 1);
    EXPECT_NE(err_.str().find("Couldn't open '"), std::string::npos) << err_.str();
    EXPECT_EQ(journal(), "");  // the module was never touched

    // A refused state is explained by the patch reader; an endless file is read no further than
    // the plug-in would take.
    const struct {
        std::string file;
        std::string reason;
    } refused[] = {
        {write("bad.json", "{\"sources\": [],\n \"outputs\": [{}]}"),
         "bad.json': missing field `cc` at line 2 column 15\n"},
        {"/dev/zero",
         "'/dev/zero': it is larger than 4 MiB, the most the plug-in reads as a state\n"},
    };
    for (const auto& c : refused) {
        auto o = options();
        o.state_file = c.file;
        EXPECT_EQ(run(o, "load"), 1);
        EXPECT_NE(err_.str().find("The plug-in refused the state in '"), std::string::npos);
        EXPECT_NE(err_.str().find(c.reason), std::string::npos) << err_.str();
    }

    auto unwritable_save = options();
    unwritable_save.seconds = 0;
    unwritable_save.save_file = (dir_ / "no-such-folder" / "saved.json").string();
    EXPECT_EQ(run(unwritable_save), 1);
    EXPECT_NE(err_.str().find("Couldn't write '"), std::string::npos) << err_.str();
    EXPECT_EQ(lifecycle().back(), "entry.deinit");
}

}  // namespace
