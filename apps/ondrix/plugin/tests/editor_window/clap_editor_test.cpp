// The real editor through the CLAP gui table: the built module, its web view helper and
// WebKitGTK, embedded in a top-level X11 window made by the test, the helper's socket served by
// the test host's fd support or its timers. Runs under xvfb-run; each test leaves a screenshot of
// the opened editor in editor-screenshots/ of the build folder.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "clap_test_host.hpp"
#include "editor_window.hpp"
#include "processes.hpp"

namespace ondrix_plugin_testing {
namespace {

using namespace std::chrono_literals;
using namespace ondrix_host_testing;

constexpr int WIDTH = EDITOR_WIDTH;
constexpr int HEIGHT = EDITOR_HEIGHT;

// Which main-thread service the test host offers the plug-in.
enum class Services { FdSupport, Timers, Neither };

std::string name_of(Services services) {
    switch (services) {
        case Services::FdSupport: return "FdSupport";
        case Services::Timers: return "Timers";
        case Services::Neither: return "Neither";
    }
    return "?";
}

// A control change the plug-in sent: channel, controller.
using Controller = std::pair<int, int>;

// One plug-in instance of the built module with the editor's parent window and a host main
// loop serving what it registers. Thread: the test's thread. Owner: the test.
class ClapEditor : public EditorWindow {
  public:
    explicit ClapEditor(Services services) {
        host().loop = &loop;
        host().offers_fd_support = services == Services::FdSupport;
        host().offers_timer_support = services == Services::Timers;
        loop.on_fd = [this](int fd, std::uint32_t flags) {
            instance.extension<clap_plugin_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT)
                ->on_fd(p(), fd, flags);
        };
        loop.on_timer = [this](std::uint32_t timer) {
            instance.extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT)
                ->on_timer(p(), timer);
        };
        if (!p()->init(p())) throw std::runtime_error("init failed");
        gui = instance.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    }

    const clap_plugin_t* p() const { return instance.plugin(); }
    TestHost& host() { return instance.host(); }

    // Creates the editor in the test's parent window, or in `window`, and shows it.
    bool open() { return open(parent.id()); }
    bool open(WindowId window) {
        return gui->create(p(), CLAP_WINDOW_API_X11, false) && set_parent(window) && gui->show(p());
    }
    bool set_parent() { return set_parent(parent.id()); }
    bool set_parent(WindowId id) {
        const clap_window_t window{CLAP_WINDOW_API_X11, {.x11 = id}};
        return gui->set_parent(p(), &window);
    }

    bool log_holds(const std::string& text) {
        return std::any_of(host().lines.begin(), host().lines.end(),
                           [&](const LogLine& line) { return line.message == text; });
    }

    // Plays `blocks` blocks of 480 frames and returns the controllers that sent values.
    std::set<Controller> play(int blocks) {
        std::set<Controller> sent;
        for (int i = 0; i < blocks; ++i) {
            Block block(480);
            InputEvents in;
            OutputEvents out;
            block.process().in_events = in.raw();
            block.process().out_events = out.raw();
            EXPECT_EQ(p()->process(p(), &block.process()), CLAP_PROCESS_CONTINUE);
            for (std::size_t e = 0; e < out.events().size(); ++e) {
                if (out.header(e).type != CLAP_EVENT_MIDI) continue;
                const auto midi = out.as<clap_event_midi_t>(e);
                if ((midi.data[0] & 0xF0) == 0xB0) sent.emplace(midi.data[0] & 0x0F, midi.data[1]);
            }
        }
        return sent;
    }

    PluginUnderTest instance;
    const clap_plugin_gui_t* gui = nullptr;
};

class ClapEditorWindow : public ::testing::TestWithParam<Services> {
  protected:
    static void SetUpTestSuite() { become_subreaper(); }
    ClapEditor editor{GetParam()};
};

class ClapEditorWindowFd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { become_subreaper(); }
    ClapEditor editor{Services::FdSupport};
};

TEST_P(ClapEditorWindow, AChildWindowAppearsInsideTheParent) {
    ASSERT_TRUE(editor.open());
    EXPECT_TRUE(editor.wait_for_child(WIDTH, HEIGHT));
    const auto children = editor.parent.children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].x, 0);
    EXPECT_EQ(children[0].y, 0);
    EXPECT_EQ(ClapEditor::helpers().size(), 1u);
    EXPECT_TRUE(editor.wait_for_page(test_name())) << "the page never drew";
    EXPECT_EQ(editor.host().lines, std::vector<LogLine>{});
}

TEST_P(ClapEditorWindow, ThePageSendsPluginInitAndAFreshInstanceTakesItsStarterPatch) {
    const std::string before = editor.instance.save_state();
    ASSERT_TRUE(editor.open());
    // The page answers plugin_init's empty patch with its starter patch, which marks the
    // host's project changed.
    ASSERT_TRUE(editor.loop.run_until([&] { return editor.host().dirty_marks > 0; }, PAGE_LIMIT));
    EXPECT_TRUE(editor.wait_for_page(test_name()));

    expect_starter_patch(before, editor.instance.save_state());
}

INSTANTIATE_TEST_SUITE_P(Services, ClapEditorWindow,
                         ::testing::Values(Services::FdSupport, Services::Timers),
                         [](const auto& info) { return name_of(info.param); });

TEST_F(ClapEditorWindowFd, ASetPatchFromThePageReachesTheEngine) {
    ASSERT_TRUE(editor.p()->activate(editor.p(), 48000.0, 1, 4096));
    ASSERT_TRUE(editor.p()->start_processing(editor.p()));
    ASSERT_TRUE(editor.open());
    ASSERT_TRUE(editor.wait_for_page(test_name() + "-before"));
    const int marks = editor.host().dirty_marks;
    EXPECT_EQ(editor.play(100), (std::set<Controller>{{0, 16}, {0, 17}}));

    // The switch of the third output (CC 18) in the page's output list.
    editor.parent.click(25, 377);
    ASSERT_TRUE(
        editor.loop.run_until([&] { return editor.host().dirty_marks > marks; }, PAGE_LIMIT));
    // The new output sends its (unrouted, steady) value once, at the new patch's first tick.
    EXPECT_EQ(editor.play(100), (std::set<Controller>{{0, 16}, {0, 17}, {0, 18}}));
    EXPECT_TRUE(editor.wait_for_page(test_name()));
    editor.p()->stop_processing(editor.p());
    editor.p()->deactivate(editor.p());
}

// The parent is a plain X11 window, not an XEmbed embedder: a click must still give the page the
// keyboard.
TEST_F(ClapEditorWindowFd, AClickGivesThePageTheKeyboard) {
    ASSERT_TRUE(editor.open());
    ASSERT_TRUE(editor.wait_for_page(test_name() + "-before"));
    const auto third_output = [&] {
        return nlohmann::json::parse(editor.instance.save_state())["patch"]["outputs"][2].value(
            "enabled", false);
    };
    int marks = editor.host().dirty_marks;
    editor.parent.click(25, 377);
    ASSERT_TRUE(
        editor.loop.run_until([&] { return editor.host().dirty_marks > marks; }, PAGE_LIMIT));
    EXPECT_TRUE(third_output());

    marks = editor.host().dirty_marks;
    editor.parent.key(XK_z, true);  // the page's undo
    EXPECT_TRUE(
        editor.loop.run_until([&] { return editor.host().dirty_marks > marks; }, PAGE_LIMIT));
    EXPECT_FALSE(third_output());
    EXPECT_TRUE(editor.wait_for_page(test_name()));
}

TEST_F(ClapEditorWindowFd, TheWindowFollowsSetSizeHideAndShow) {
    ASSERT_TRUE(editor.open());
    ASSERT_TRUE(editor.wait_for_child(WIDTH, HEIGHT));
    ASSERT_TRUE(editor.wait_for_page(test_name() + "-before"));

    ASSERT_TRUE(editor.gui->set_size(editor.p(), 1000, 640));
    EXPECT_TRUE(editor.wait_for_child(1000, 640));
    ASSERT_TRUE(editor.gui->hide(editor.p()));
    EXPECT_TRUE(editor.wait_for_child(1000, 640, false));
    ASSERT_TRUE(editor.gui->show(editor.p()));
    EXPECT_TRUE(editor.wait_for_child(1000, 640));
    EXPECT_TRUE(editor.wait_for_page(test_name()));
    EXPECT_EQ(editor.host().lines, std::vector<LogLine>{});
}

TEST_F(ClapEditorWindowFd, ClosingAndReopeningWorksTwice) {
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE("opening " + std::to_string(round));
        ASSERT_TRUE(editor.open());
        ASSERT_TRUE(editor.wait_for_page(test_name() + "-" + std::to_string(round)));
        const auto helpers = ClapEditor::helpers();
        ASSERT_EQ(helpers.size(), 1u);

        editor.gui->destroy(editor.p());
        EXPECT_TRUE(ClapEditor::helpers().empty());
        EXPECT_TRUE(process_gone(helpers[0]))
            << "the helper is left a zombie";
        EXPECT_TRUE(editor.loop.fds().empty());
        EXPECT_EQ(editor.loop.timer_count(), 0u);
        EXPECT_TRUE(editor.wait_for_no_child(5s)) << "the helper's window stays in the parent";
    }
    EXPECT_EQ(editor.host().lines, std::vector<LogLine>{});
}

TEST_F(ClapEditorWindowFd, AfterDestroyNoHelperNorWebKitProcessRemains) {
    ASSERT_TRUE(editor.open());
    ASSERT_TRUE(editor.wait_for_page(test_name()));
    const auto helpers = ClapEditor::helpers();
    ASSERT_EQ(helpers.size(), 1u);
    std::vector<pid_t> group;
    std::set<std::string> names;
    for (const ProcessInfo& member : group_members(helpers[0])) {
        group.push_back(member.pid);
        names.insert(member.name);
    }
    EXPECT_GE(group.size(), 2u) << "WebKit runs its web process beside the helper";

    editor.instance.destroy();
    EXPECT_TRUE(process_gone(helpers[0]))
        << "the helper is left running or a zombie";
    EXPECT_EQ(still_running(group, 2s), std::vector<pid_t>{});
}

// A host may destroy its window before gui destroy: the editor's web view ends with it, leaving no
// process behind and nothing in the host's log, and the editor opens again in the next window
// the host gives, or is destroyed.
TEST(ClapEditorParentGone, TheWebViewEndsQuietlyThenSetParentOrDestroyWorks) {
    become_subreaper();
    for (const bool reopen : {true, false}) {
        SCOPED_TRACE(reopen ? "then set_parent" : "then destroy");
        ClapEditor editor(Services::FdSupport);
        std::optional<X11Parent> first(std::in_place, WIDTH, HEIGHT);
        ASSERT_TRUE(editor.open(first->id()));
        ASSERT_TRUE(
            editor.loop.run_until([&] { return editor.host().dirty_marks > 0; }, PAGE_LIMIT))
            << "the page never ran";
        const auto helpers = ClapEditor::helpers();
        ASSERT_EQ(helpers.size(), 1u);
        std::vector<pid_t> group;
        for (const ProcessInfo& member : group_members(helpers[0])) group.push_back(member.pid);

        first.reset();
        EXPECT_TRUE(editor.loop.run_until([&] { return process_gone(helpers[0]); }, 10s))
            << "the helper is left running or a zombie";
        EXPECT_EQ(still_running(group, 2s), std::vector<pid_t>{});
        EXPECT_TRUE(editor.gui->set_size(editor.p(), 1000, 640));
        EXPECT_EQ(editor.host().lines, std::vector<LogLine>{});

        if (reopen) {
            ASSERT_TRUE(editor.set_parent());
            EXPECT_TRUE(editor.wait_for_child(1000, 640));
            EXPECT_TRUE(editor.wait_for_page(test_name()));
            EXPECT_EQ(ClapEditor::helpers().size(), 1u);
        }
        editor.gui->destroy(editor.p());
        EXPECT_TRUE(ClapEditor::helpers().empty());
        EXPECT_TRUE(editor.loop.fds().empty());
        EXPECT_EQ(editor.host().lines, std::vector<LogLine>{});
    }
}

// The helper, or WebKit's web process inside it, killed: the host's log says so, the plug-in
// plays on, and the next set_parent starts a new helper.
TEST_F(ClapEditorWindowFd, KillingTheHelperLeavesThePluginPlayingAndTheNextOpenWorks) {
    ASSERT_TRUE(editor.p()->activate(editor.p(), 48000.0, 1, 4096));
    ASSERT_TRUE(editor.p()->start_processing(editor.p()));
    ASSERT_TRUE(editor.open());
    for (const KilledProcess& c : KILLED_PROCESSES) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(editor.wait_for_page(test_name() + "-" + c.name));
        const auto helpers = ClapEditor::helpers();
        ASSERT_EQ(helpers.size(), 1u);
        const auto victims = group_members_named(helpers[0], c.name);
        ASSERT_EQ(victims.size(), 1u);

        editor.host().lines.clear();
        ASSERT_EQ(kill(victims[0], SIGKILL), 0);
        EXPECT_TRUE(editor.loop.run_until([&] { return editor.log_holds(c.logged); }, 10s));
        EXPECT_EQ(editor.host().lines.size(), 1u);
        EXPECT_TRUE(process_gone(helpers[0]));
        EXPECT_FALSE(editor.play(100).empty()) << "the plug-in goes on sending its controllers";

        editor.host().lines.clear();
        ASSERT_TRUE(editor.set_parent());
    }
    EXPECT_TRUE(editor.wait_for_page(test_name()));
    EXPECT_EQ(ClapEditor::helpers().size(), 1u);
    EXPECT_EQ(editor.host().lines, std::vector<LogLine>{});
    editor.p()->stop_processing(editor.p());
    editor.p()->deactivate(editor.p());
}

TEST(ClapEditorWithoutServices, AHostWithoutFdOrTimerSupportIsRefused) {
    ClapEditor editor(Services::Neither);
    EXPECT_FALSE(editor.open());
    EXPECT_EQ(editor.host().lines,
              (std::vector<LogLine>{{CLAP_LOG_ERROR,
                                     "The host can't run the editor: it offers neither "
                                     "clap.posix-fd-support nor clap.timer-support"}}));
    EXPECT_TRUE(ClapEditor::helpers().empty());
    EXPECT_TRUE(editor.parent.children().empty());
}

}  // namespace
}  // namespace ondrix_plugin_testing
