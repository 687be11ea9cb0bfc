// The real editor through the VST3 view: the built bundle, its web view helper and WebKitGTK,
// embedded in a top-level X11 window made by the test, the helper's socket served by the host's
// run loop, in the orders real hosts use. Runs under xvfb-run; each test leaves a screenshot of
// the opened editor in editor-screenshots/ of the build folder.
#include <signal.h>

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "processes.hpp"
#include "vst3_editor.hpp"

namespace vst3_editor_testing {
namespace {

using namespace std::chrono_literals;
using namespace ondrix_host_testing;

const ViewRect SMALLER{0, 0, 1000, 640};

const FakeHost HOSTS[] = {
    LOOP_ON_FRAME,
    {"LoopOnContextOnly", false, true, false, std::nullopt},
    {"LoopOnFrameAndContext", true, true, false, std::nullopt},
    {"AttachedBeforeSetFrame", true, false, true, std::nullopt},
    {"SizedBeforeAttached", true, false, false, SMALLER},
};

// The editor's size once open: the host's, else its own.
ViewRect opened_size(const FakeHost& host) {
    return host.size_before_attached.value_or(ViewRect{0, 0, EDITOR_WIDTH, EDITOR_HEIGHT});
}

// Who wrote a line: the CLAP plug-in logging through the adapter ("PLUGIN: <SEVERITY>: <text>"),
// or the editor's helper (GLib's messages name the program: "(ondrix-web-view:<pid>): ...").
const std::string PLUGIN = "PLUGIN: ";
const std::string HELPER_PROGRAM = std::string("(") + HELPER + ":";

// The lines of `output` that `writer` wrote.
std::vector<std::string> lines_of(const std::string& writer, const CapturedOutput& output) {
    std::vector<std::string> found;
    for (const std::string& line : output.lines()) {
        if (line.rfind(writer, 0) == 0) found.push_back(line);
    }
    return found;
}

class Vst3EditorWindow : public ::testing::TestWithParam<FakeHost> {
  protected:
    static void SetUpTestSuite() { become_subreaper(); }
    Vst3Editor editor{GetParam()};
};

class Vst3EditorWindowOnFrame : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { become_subreaper(); }
    Vst3Editor editor;
};

TEST_P(Vst3EditorWindow, AChildWindowAppearsInsideTheParent) {
    const ViewRect size = opened_size(GetParam());
    ASSERT_EQ(editor.open(), kResultOk);
    EXPECT_TRUE(editor.wait_for_child(size.getWidth(), size.getHeight()));
    const auto children = editor.parent.children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].x, 0);
    EXPECT_EQ(children[0].y, 0);
    EXPECT_EQ(Vst3Editor::helpers().size(), 1u);
    EXPECT_TRUE(editor.wait_for_page(test_name())) << "the page never drew";

    ViewRect reported{};
    ASSERT_EQ(editor.view()->getSize(&reported), kResultOk);
    EXPECT_EQ(reported.getWidth(), size.getWidth());
    EXPECT_EQ(reported.getHeight(), size.getHeight());
}

TEST_P(Vst3EditorWindow, ThePageSendsPluginInitAndAFreshInstanceTakesItsStarterPatch) {
    const std::string before = editor.state();
    ASSERT_EQ(editor.open(), kResultOk);
    // The page answers plugin_init's empty patch with its starter patch, which marks the
    // host's project changed.
    ASSERT_TRUE(editor.loop.run_until([&] { return editor.dirty_marks() > 0; }, PAGE_LIMIT));
    EXPECT_TRUE(editor.wait_for_page(test_name()));

    expect_starter_patch(before, editor.state());
}

INSTANTIATE_TEST_SUITE_P(Hosts, Vst3EditorWindow, ::testing::ValuesIn(HOSTS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Vst3EditorWindowOnFrame, ASetPatchFromThePageReachesTheEngine) {
    editor.start();
    ASSERT_EQ(editor.open(), kResultOk);
    ASSERT_TRUE(editor.wait_for_page(test_name() + "-before"));
    const int marks = editor.dirty_marks();
    EXPECT_EQ(editor.play(100), (std::set<Controller>{{0, 16}, {0, 17}}));

    // The switch of the third output (CC 18) in the page's output list.
    editor.parent.click(25, 377);
    ASSERT_TRUE(editor.loop.run_until([&] { return editor.dirty_marks() > marks; }, PAGE_LIMIT));
    // The new output sends its (unrouted, steady) value once, at the new patch's first tick.
    EXPECT_EQ(editor.play(100), (std::set<Controller>{{0, 16}, {0, 17}, {0, 18}}));
    EXPECT_TRUE(editor.wait_for_page(test_name()));
}

// A host resizes the view with onSize. Before it destroys its window it calls removed, and it
// may attach the view to another window: the same view, in the size last given. The editor's
// web view ends with the window, without a word, and leaves no process behind.
TEST_F(Vst3EditorWindowOnFrame, TheWindowFollowsOnSizeAndRemovedLetsTheHostMoveIt) {
    const CapturedOutput errors(2);
    std::optional<X11Parent> first(std::in_place, EDITOR_WIDTH, EDITOR_HEIGHT);
    const auto holds_child = [&](int width, int height) {
        return editor.loop.run_until(
            [&] {
                const auto children = first->children();
                return children.size() == 1 && children[0].viewable && children[0].width == width &&
                       children[0].height == height;
            },
            PAGE_LIMIT);
    };
    ASSERT_EQ(editor.open(first->id()), kResultOk);
    ASSERT_TRUE(holds_child(EDITOR_WIDTH, EDITOR_HEIGHT));
    editor.loop.run_for(1s);
    ViewRect smaller = SMALLER;
    ASSERT_EQ(editor.view()->onSize(&smaller), kResultOk);
    EXPECT_TRUE(holds_child(SMALLER.getWidth(), SMALLER.getHeight()));

    const auto helpers = Vst3Editor::helpers();
    ASSERT_EQ(helpers.size(), 1u);
    std::vector<pid_t> group;
    for (const ProcessInfo& member : group_members(helpers[0])) group.push_back(member.pid);
    ASSERT_EQ(editor.view()->removed(), kResultOk);
    editor.loop.run_for(500ms);
    EXPECT_EQ(Vst3Editor::helpers(), helpers) << "removed neither hides nor destroys the editor";
    first.reset();
    EXPECT_TRUE(editor.loop.run_until([&] { return process_gone(helpers[0]); }, 10s))
        << "the helper is left running or a zombie";
    EXPECT_EQ(still_running(group, 2s), std::vector<pid_t>{});

    ASSERT_EQ(editor.attach(editor.parent.id()), kResultOk);
    EXPECT_TRUE(editor.wait_for_child(SMALLER.getWidth(), SMALLER.getHeight()));
    EXPECT_TRUE(editor.wait_for_page(test_name()));
    EXPECT_EQ(Vst3Editor::helpers().size(), 1u);
    EXPECT_EQ(editor.parent.children().size(), 1u);
    EXPECT_EQ(lines_of(PLUGIN, errors), std::vector<std::string>{});
    EXPECT_EQ(lines_of(HELPER_PROGRAM, errors), std::vector<std::string>{});
}

TEST_F(Vst3EditorWindowOnFrame, ClosingAndReopeningWorksTwice) {
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE("opening " + std::to_string(round));
        ASSERT_EQ(editor.open(), kResultOk);
        ASSERT_TRUE(editor.wait_for_page(test_name() + "-" + std::to_string(round)));
        const auto helpers = Vst3Editor::helpers();
        ASSERT_EQ(helpers.size(), 1u);

        editor.close();
        EXPECT_TRUE(Vst3Editor::helpers().empty());
        EXPECT_TRUE(process_gone(helpers[0])) << "the helper is left a zombie";
        EXPECT_TRUE(editor.loop.fds().empty());
        EXPECT_EQ(editor.loop.timer_count(), 0u);
        EXPECT_TRUE(editor.wait_for_no_child(5s)) << "the helper's window stays in the parent";
    }
}

// Hosts let go in either order; some terminate the component while the view is still attached
// and release the view later.
TEST(Vst3EditorEnd, AfterTheViewAndComponentGoNoHelperNorWebKitProcessRemains) {
    become_subreaper();
    for (const bool view_first : {true, false}) {
        SCOPED_TRACE(view_first ? "view released first" : "component terminated first");
        Vst3Editor editor;
        ASSERT_EQ(editor.open(), kResultOk);
        ASSERT_TRUE(
            editor.wait_for_page(test_name() + (view_first ? "-view-first" : "-component-first")));
        const auto helpers = Vst3Editor::helpers();
        ASSERT_EQ(helpers.size(), 1u);
        std::vector<pid_t> group;
        for (const ProcessInfo& member : group_members(helpers[0])) group.push_back(member.pid);
        EXPECT_GE(group.size(), 2u) << "WebKit runs its web process beside the helper";

        if (view_first) editor.close();
        editor.shut_down();
        EXPECT_TRUE(process_gone(helpers[0])) << "the helper is left running or a zombie";
        EXPECT_EQ(still_running(group, 2s), std::vector<pid_t>{});
        editor.close();
    }
}

// The helper, or WebKit's web process inside it, killed: the plug-in's log line comes through
// the adapter, the plug-in goes on processing, and the next opening of the window works.
TEST_F(Vst3EditorWindowOnFrame, KillingTheHelperLeavesThePluginProcessingAndTheNextOpenWorks) {
    editor.start();
    ASSERT_EQ(editor.open(), kResultOk);
    for (const KilledProcess& c : KILLED_PROCESSES) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(editor.wait_for_page(test_name() + "-" + c.name));
        const auto helpers = Vst3Editor::helpers();
        ASSERT_EQ(helpers.size(), 1u);
        const auto victims = group_members_named(helpers[0], c.name);
        ASSERT_EQ(victims.size(), 1u);

        const std::string line = std::string("PLUGIN: ERROR: ") + c.logged;
        std::vector<std::string> logged;
        {
            const CapturedOutput errors(2);
            ASSERT_EQ(kill(victims[0], SIGKILL), 0);
            editor.loop.run_until([&] { return errors.holds(line); }, 10s);
            logged = lines_of(PLUGIN, errors);
        }
        EXPECT_EQ(logged, std::vector<std::string>{line});
        EXPECT_TRUE(process_gone(helpers[0]));
        EXPECT_FALSE(editor.play(100).empty()) << "the plug-in goes on sending its controllers";

        editor.close();
        ASSERT_EQ(editor.open(), kResultOk);
    }
    const CapturedOutput errors(2);
    EXPECT_TRUE(editor.wait_for_page(test_name()));
    EXPECT_EQ(Vst3Editor::helpers().size(), 1u);
    EXPECT_EQ(lines_of(PLUGIN, errors), std::vector<std::string>{});
}

// Without a run loop on the frame or the context the editor would freeze: it is refused, and the
// adapter's log says why, when attached comes, or when a frame without one comes after it.
TEST(Vst3EditorWithoutRunLoop, TheViewIsRefusedWithTheAdaptersLogLine) {
    const struct {
        FakeHost host;
        tresult attached;
        const char* function;
    } cases[] = {
        {{"NoLoop", false, false, false, std::nullopt}, kResultFalse, "attached"},
        {{"NoLoopAttachedFirst", false, false, true, std::nullopt}, kResultOk, "setFrame"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host.name);
        Vst3Editor editor(c.host);
        const std::string before = editor.state();
        std::string logged;
        tresult attached = kInternalError;
        {
            const CapturedOutput output(1);
            attached = editor.open();
            editor.loop.run_for(500ms);
            logged = output.text();
        }
        EXPECT_EQ(attached, c.attached);
        EXPECT_NE(logged.find(std::string("(") + c.function +
                              ") the host gave no run loop (Steinberg::Linux::IRunLoop) with the "
                              "view's frame or its context: the editor does not open\n"),
                  std::string::npos)
            << logged;
        EXPECT_TRUE(Vst3Editor::helpers().empty());
        EXPECT_TRUE(editor.parent.children().empty());
        EXPECT_EQ(editor.state(), before);
    }
}

}  // namespace
}  // namespace vst3_editor_testing
