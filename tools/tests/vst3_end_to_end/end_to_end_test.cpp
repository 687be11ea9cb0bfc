// The VST3 bundle against the .clap: ondrix-vst3-host's run and ondrix-host's run print the same
// lines, notes come back where they went in, and a saved state reads back as the same bytes; the
// two programs print the same standard output for every example.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "../host_test_fixture.hpp"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "run_host.hpp"
#include "vst3/host_objects.hpp"
#include "vst3/run_vst3_host.hpp"
#include "vst3/vst3_module.hpp"

namespace {

using namespace ondrix_tools_test;

// A 14-bit output: controller 1 carries the high 7 bits, controller 33 the low 7.
constexpr const char* kFineState =
    R"({"patch":{"sources":[{"shape":{"kind":"triangle"},"rate":{"mode":"free","hz":3}}],)"
    R"("routes":[{"from":0,"tap":0,"to":"output","index":0,"amount":1}],)"
    R"("outputs":[{"channel":0,"cc":1,"fine":true}]},"version":1})";

class EndToEnd : public FolderTest {
  protected:
    EndToEnd() : FolderTest("ondrix-end-to-end") {}

    ondrix_tools::HostOptions options(const char* module) const {
        ondrix_tools::HostOptions o;
        o.module = module;
        o.seconds = 1.0;
        return o;
    }

    // The lines a run prints, after checking that it succeeded without complaint.
    std::string clap(const ondrix_tools::HostOptions& o) {
        std::ostringstream out, err;
        EXPECT_EQ(ondrix_tools::run_host(o, out, err), 0) << err.str();
        EXPECT_EQ(err.str(), "");
        return out.str();
    }
    std::string vst3(const ondrix_tools::HostOptions& o,
                     const std::vector<ondrix_tools::NoteIn>& notes = {},
                     ondrix_tools::AudioOutputs outputs = ondrix_tools::AudioOutputs::active) {
        std::ostringstream out, err;
        EXPECT_EQ(ondrix_tools::run_vst3_host(o, out, err, notes, outputs), 0) << err.str();
        EXPECT_EQ(err.str(), "");
        return out.str();
    }
};

TEST_F(EndToEnd, BothHostsPrintTheSameControlChanges) {
    const fs::path state = dir_ / "fine.json";
    std::ofstream(state) << kFineState;
    for (const bool fine : {false, true}) {
        SCOPED_TRACE(fine ? "14-bit output" : "default patch");
        auto on_clap = options(ONDRIX_CLAP_MODULE);
        auto on_vst3 = options(ONDRIX_VST3_BUNDLE);
        if (fine) on_clap.state_file = on_vst3.state_file = state.string();
        const std::string expected = clap(on_clap);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(vst3(on_vst3), expected);
    }
}

// What a program printed, each stream in a file of its own, and how it ended.
struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

Ran run_program(std::vector<std::string> args, const fs::path& dir) {
    const fs::path out = dir / "stdout";
    const fs::path err = dir / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    Ran ran;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) ran.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    ran.out = read_file(out);
    ran.err = read_file(err);
    return ran;
}

// The 14-bit value a run's lines last sent on controllers `cc` and `cc` + 32 of channel 0 up to
// and including `sample`.
int fine_value_at(const std::string& printed, std::uint64_t sample, int cc) {
    std::map<int, int> last;
    for (const std::string& line : lines(printed)) {
        std::istringstream fields(line);
        std::uint64_t at = 0;
        int channel = 0, controller = 0, value = 0;
        if (!(fields >> at >> channel >> controller >> value) || at > sample) continue;
        if (channel == 0) last[controller] = value;
    }
    return last[cc] * 128 + last[cc + 32];
}

TEST_F(EndToEnd, EveryExamplePrintsTheSameEventsFromBothProgramsAndNothingElse) {
    std::vector<fs::path> examples;
    for (const auto& entry : fs::directory_iterator(ONDRIX_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".json") examples.push_back(entry.path());
    }
    std::sort(examples.begin(), examples.end());
    ASSERT_GE(examples.size(), 4u);
    for (const fs::path& example : examples) {
        SCOPED_TRACE(example.filename().string());
        const Ran clap =
            run_program({ONDRIX_HOST_PROGRAM, ONDRIX_CLAP_MODULE, "--state", example}, dir_);
        const Ran vst3 =
            run_program({ONDRIX_VST3_HOST_PROGRAM, ONDRIX_VST3_BUNDLE, "--state", example}, dir_);
        EXPECT_EQ(clap.status, 0) << clap.err;
        EXPECT_EQ(vst3.status, 0) << vst3.err;
        EXPECT_FALSE(clap.out.empty());
        EXPECT_TRUE(vst3.out == clap.out) << "ondrix-vst3-host printed\n"
                                          << vst3.out.substr(0, 600) << "\nondrix-host printed\n"
                                          << clap.out.substr(0, 600);
        EXPECT_EQ(clap.err, "");  // an example plays as it reads: no warnings
        // The adapter's log lines ("<file>.cpp:<line> (<function>) ...") go with the log.
        EXPECT_NE(vst3.err.find(".cpp:"), std::string::npos) << vst3.err;

        const Ran check = run_program({ONDRIX_HOST_PROGRAM, "--check", example}, dir_);
        EXPECT_EQ(check.status, 0) << check.out;
        EXPECT_EQ(check.out + check.err, "");

        if (example.filename() == "14-bit-sweep.json") {
            // A plain triangle at 0.2 Hz starts in the middle and rises in a straight line: at
            // 0.625 s, an eighth of its cycle, it stands halfway up (3/4 of 16383); a curved one
            // (b left out, 0) would stand near 15240.
            EXPECT_NEAR(fine_value_at(clap.out, 30000, 1), 12287, 64);
        }
    }
}

// A host deactivates the audio output of a plug-in whose audio nobody listens to, and sends
// the bus without channels: the control changes are those of an active bus.
TEST_F(EndToEnd, AnInactiveAudioOutputSendsTheSameControlChanges) {
    auto o = options(ONDRIX_VST3_BUNDLE);
    o.seconds = 400 * 256 / 48000.0;  // 400 blocks
    const std::string expected = vst3(o);
    EXPECT_GE(std::count(expected.begin(), expected.end(), '\n'), 400);
    EXPECT_EQ(vst3(o, {}, ondrix_tools::AudioOutputs::inactive), expected);
}

TEST_F(EndToEnd, ANoteSentInComesBackAtItsOffsetOnEventBusZero) {
    auto o = options(ONDRIX_VST3_BUNDLE);
    o.seconds = 0.02;
    const std::string printed = vst3(o, {{300, 0, 60, 0.8f}});
    EXPECT_NE(printed.find("\n300 midi 144 60 102\n"), std::string::npos) << printed;
}

TEST_F(EndToEnd, AStateSetIsTheStateSaved) {
    const fs::path first = dir_ / "first.json";
    const fs::path second = dir_ / "second.json";
    std::ofstream(dir_ / "fine.json") << kFineState;
    auto o = options(ONDRIX_VST3_BUNDLE);
    o.seconds = 0.01;
    o.state_file = (dir_ / "fine.json").string();
    o.save_file = first.string();
    vst3(o);
    o.state_file = first.string();
    o.save_file = second.string();
    vst3(o);
    EXPECT_FALSE(read_file(first).empty());
    EXPECT_EQ(read_file(second), read_file(first));
}

// A frame that takes any size; the host's window is made up.
class FakeFrame : public Steinberg::IPlugFrame {
  public:
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView*,
                                             Steinberg::ViewRect*) override {
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** object) override {
        *object = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// A host that gives no run loop gets no editor: the bundle offers no view while the plug-in has
// no X11 editor, and a view it offers does not attach without a loop.
TEST_F(EndToEnd, TheEditorViewCannotAttachWithoutARunLoop) {
    std::string error;
    const auto module = ondrix_tools::Vst3Module::load(ONDRIX_VST3_BUNDLE, error);
    ASSERT_NE(module, nullptr) << error;
    Steinberg::PClassInfo info;
    ASSERT_EQ(module->factory().getClassInfo(0, &info), Steinberg::kResultOk);
    Steinberg::Vst::IComponent* component = nullptr;
    ASSERT_EQ(module->factory().createInstance(info.cid, Steinberg::Vst::IComponent::iid.toTUID(),
                                               reinterpret_cast<void**>(&component)),
              Steinberg::kResultOk);
    ondrix_tools::HostApplication host;
    ASSERT_EQ(component->initialize(&host), Steinberg::kResultOk);
    Steinberg::Vst::IEditController* controller = nullptr;
    ASSERT_EQ(component->queryInterface(Steinberg::Vst::IEditController::iid.toTUID(),
                                        reinterpret_cast<void**>(&controller)),
              Steinberg::kResultOk);
    if (Steinberg::IPlugView* view = controller->createView(Steinberg::Vst::ViewType::kEditor)) {
        FakeFrame frame;
        view->setFrame(&frame);
        void* const window = reinterpret_cast<void*>(std::uintptr_t{0x400007});
        EXPECT_EQ(view->attached(window, Steinberg::kPlatformTypeX11EmbedWindowID),
                  Steinberg::kResultFalse);
        EXPECT_EQ(view->release(), 0u);
    }
    controller->release();
    EXPECT_EQ(component->terminate(), Steinberg::kResultOk);
    EXPECT_EQ(component->release(), 0u);
}

}  // namespace
