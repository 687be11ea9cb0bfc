// ondrix-host's whole run against a stand-in module that journals the calls it gets.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "host_test_fixture.hpp"
#include "run_host.hpp"
#include "state_check.hpp"

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

TEST_F(HostRun, TakesTheTempoAndAStoppedTransport) {
    auto o = options();
    o.seconds = 512.0 / 48000.0;
    o.tempo = 90.0;
    o.stopped = true;
    ASSERT_EQ(run(o), 0) << err_.str();
    // Flags: tempo, beats, seconds, time signature = 15, not playing; the position stays at 0.
    EXPECT_EQ(blocks(), (std::vector<std::string>{"process 256 0 0 15 90 outputs 1x2",
                                                  "process 256 256 0 15 90 outputs 1x2"}));
}

TEST_F(HostRun, WarnsAboutThePatchAndStillPlaysIt) {
    auto o = options();
    o.seconds = 0;
    o.state_file = write("warned.json", R"({"sources": [], "outputs": [{"cc": 200}]})");
    ASSERT_EQ(run(o), 0) << err_.str();
    EXPECT_EQ(lifecycle()[3],
              R"(load {"patch":{"sources": [], "outputs": [{"cc": 200}]},"version":1})");
    EXPECT_NE(err_.str().find("ondrix-host: " + *o.state_file +
                              ": warning: controller 200 is above 127 and is sent as controller "
                              "72 at line 1 column 38\n"),
              std::string::npos)
        << err_.str();
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

    // What can't be read as a state stops the run before the module is touched; a named pipe
    // without a writer, a folder and a device each say what they are.
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string error;
    } unreadable[] = {
        {(dir_ / "absent.json").string(), "': No such file or directory\n"},
        {fifo, "': it is a named pipe, not a file\n"},
        {dir_.string(), "': it is a folder, not a file\n"},
        {"/dev/zero", "': it is a device, not a file\n"},
    };
    for (const auto& c : unreadable) {
        SCOPED_TRACE(c.path);
        auto o = options();
        o.state_file = c.path;
        EXPECT_EQ(run(o), 1);
        EXPECT_EQ(err_.str(), "ondrix-host: Couldn't read '" + c.path + c.error);
        EXPECT_EQ(journal(), "");
    }

    // A refused state is explained by the patch reader.
    auto refused = options();
    refused.state_file = write("bad.json", "{\"sources\": [],\n \"outputs\": [{}]}");
    EXPECT_EQ(run(refused, "load"), 1);
    EXPECT_NE(err_.str().find("The plug-in refused the state in '" + *refused.state_file +
                              "': missing field `cc` at line 2 column 15\n"),
              std::string::npos)
        << err_.str();

    // A place the state can't be saved to stops the run before the module is touched; a save
    // file made for a run that fails is taken away again, and one that was there is kept.
    auto unwritable_save = options();
    unwritable_save.seconds = 0;
    unwritable_save.save_file = (dir_ / "no-such-folder" / "saved.json").string();
    EXPECT_EQ(run(unwritable_save), 1);
    EXPECT_NE(err_.str().find("Couldn't write '"), std::string::npos) << err_.str();
    EXPECT_EQ(journal(), "");

    auto failed_run = options();
    failed_run.save_file = (dir_ / "new.json").string();
    EXPECT_EQ(run(failed_run, "process"), 1);
    EXPECT_FALSE(fs::exists(*failed_run.save_file));
    failed_run.save_file = write("kept.json", "kept");
    EXPECT_EQ(run(failed_run, "process"), 1);
    EXPECT_EQ(read_file(*failed_run.save_file), "kept");
}

class Check : public FolderTest {
  protected:
    Check() : FolderTest("ondrix-check-test") {}
};

TEST_F(Check, ListsWhatThePatchReaderSaysAndExitsWithItsWeight) {
    struct Case {
        std::string name;
        std::string text;
        int status;
        std::vector<std::string> findings;  // after "<path>: "
    };
    const std::vector<Case> cases = {
        {"clean.json", R"({"sources": [], "outputs": [{"cc": 1}], "about": "a note"})", 0, {}},
        {"warned.json",
         R"({"sources": [], "outputs": [{"cc": 121, "CC": 1}]})",
         1,
         {"warning: controller 121 is the channel mode message Reset All Controllers, not a "
          "control change at line 1 column 38",
          "warning: the reader ignores the key \"CC\" at line 1 column 44"}},
        {"refused.json",
         R"({"patch": {"sources": [], "outputs": [{"cc": 300, "CC": 1}]}, "version": 1})",
         2,
         {"error: invalid value: integer `300`, expected u8 at line 1 column 48"}},
        {"absent.json", "", 2, {"error: Couldn't read '$': No such file or directory"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path =
            c.name == "absent.json" ? (dir_ / c.name).string() : write(c.name, c.text);
        std::ostringstream out;
        EXPECT_EQ(ondrix_tools::list_state_check(path, out), c.status);
        std::vector<std::string> expected;
        for (std::string finding : c.findings) {
            if (const auto at = finding.find('$'); at != std::string::npos)
                finding.replace(at, 1, path);
            expected.push_back(path + ": " + finding);
        }
        EXPECT_EQ(lines(out.str()), expected);
    }
}

}  // namespace
