// ClapAsVst3 on a Linux host's run loop: the plug-in's watched fds and timers registered with the
// loop of the editor's frame or of the host context and following it as it comes and goes, the
// fd's readiness reaching the plug-in as CLAP flags, the module's idle timer on the same loop,
// and the editor refused where the host gives no loop.

#include "clap_as_vst3_fakes.hpp"

#include "os/idle.hpp"
#include "run_loop_fakes.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace component_testing;
using run_loop_testing::LoopFrame;
using run_loop_testing::PollRunLoop;
using run_loop_testing::RecordingRunLoop;

// A connected pair of non-blocking sockets: the plug-in watches `ours`, the test plays the
// other end.
struct SocketPair {
    SocketPair() { socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds); }
    ~SocketPair() {
        close(fds[0]);
        closeTheirs();
    }
    int ours() const { return fds[0]; }
    void send() const { ASSERT_EQ(write(fds[1], "x", 1), 1); }
    void closeTheirs() {
        if (fds[1] >= 0) close(std::exchange(fds[1], -1));
    }
    // Reads what has come, as the plug-in does when told its fd is readable.
    void drain() const {
        char buffer[64];
        while (read(fds[0], buffer, sizeof buffer) > 0) {
        }
    }
    int fds[2] = {-1, -1};
};

void* const x11Window = reinterpret_cast<void*>(std::uintptr_t{4200});

std::string fdCall(int fd, clap_posix_fd_flags_t flags) {
    return "on_fd " + std::to_string(fd) + " " + std::to_string(flags);
}

// A plug-in with an editor, timers and fds, and its component initialised.
struct RunLoop : testing::Test {
    RunLoop() {
        fake.withGui = true;
        fake.withTimers = true;
        fake.withFds = true;
    }

    // The editor view, given `frame`.
    void openView(IPlugFrame* frame) {
        view = owned(c.controller->createView(ViewType::kEditor));
        ASSERT_NE(view, nullptr);
        ASSERT_EQ(view->setFrame(frame), kResultOk);
    }
    clap_id timer(uint32_t period) {
        clap_id id = 0;
        EXPECT_TRUE(fake.registerTimer(period, &id));
        return id;
    }

    // The loops and the sockets outlive the component, whose end takes its registrations back.
    FakePlugin fake;
    RecordingRunLoop loop;
    LoopFrame frame{&loop};
    SocketPair pair;
    Component c{fake};
    IPtr<IPlugView> view;
};

// The plug-in's editor starts its work in set_parent, as ours does: the fd and the timer run on
// the frame's loop until the instance goes, and nothing reaches the plug-in after.
TEST_F(RunLoop, TheEditorsFdAndTimerRunOnTheFramesLoopUntilTerminate) {
    const int fd = pair.ours();
    fake.onSetParent = [&](const clap_window_t*) {
        EXPECT_TRUE(fake.registerFd(fd, CLAP_POSIX_FD_READ));
        timer(16);
    };
    ASSERT_TRUE(c.initialize());
    openView(&frame);
    ASSERT_EQ(view->attached(x11Window, kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_EQ(fake.take(), Calls{"set_parent x11 4200"});
    EXPECT_EQ(loop.take(),
              (Calls{"registerEventHandler " + std::to_string(fd), "registerTimer 30"}))
        << "a timer runs no faster than every 30 ms";

    pair.send();
    loop.fireFd(fd);
    loop.fireTimers();
    EXPECT_EQ(fake.take(), (Calls{fdCall(fd, CLAP_POSIX_FD_READ), "on_timer 1000"}));

    ASSERT_EQ(c.component->terminate(), kResultOk);
    EXPECT_EQ(loop.take(),
              (Calls{"unregisterEventHandler " + std::to_string(fd), "unregisterTimer 30"}));
    loop.fireEverything();
    view = nullptr;
    EXPECT_EQ(loop.take(), Calls{});
    EXPECT_EQ(fake.take(), Calls{});
}

// Through a loop that polls as a host's does: what the fd is ready for, of what the plug-in
// watches it for, reaches on_fd as CLAP flags; a hang-up is told as an error.
TEST_F(RunLoop, AWatchedFdIsToldWhatItIsReadyFor) {
    PollRunLoop polling;
    LoopFrame pollingFrame(&polling);
    const int fd = pair.ours();
    fake.onFd = [&](int, clap_posix_fd_flags_t) { pair.drain(); };
    ASSERT_TRUE(c.initialize());
    openView(&pollingFrame);
    ASSERT_TRUE(fake.registerFd(fd, CLAP_POSIX_FD_READ));
    const clap_posix_fd_flags_t read = CLAP_POSIX_FD_READ;
    const clap_posix_fd_flags_t write = CLAP_POSIX_FD_WRITE;
    const clap_posix_fd_flags_t error = CLAP_POSIX_FD_ERROR;
    const struct {
        const char* what;
        clap_posix_fd_flags_t watched;
        std::function<void()> peer;
        clap_posix_fd_flags_t told;
    } steps[] = {
        {"data comes", read, [&] { pair.send(); }, read},
        {"room to write", write, [] {}, write},
        {"data comes and there is room", read | write, [&] { pair.send(); }, read | write},
        {"the peer hangs up", read, [&] { pair.closeTheirs(); }, read | error},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(fake.modifyFd(fd, step.watched));
        fake.take();
        step.peer();
        Calls seen;
        ASSERT_TRUE(polling.runUntil([&] {
            seen = fake.take();
            return !seen.empty();
        }));
        EXPECT_EQ(seen.front(), fdCall(fd, step.told));
    }

    ASSERT_TRUE(fake.unregisterFd(fd));
    const clap_id id = timer(30);
    Calls seen;
    ASSERT_TRUE(polling.runUntil([&] {
        seen = fake.take();
        return !seen.empty();
    }));
    EXPECT_EQ(seen, Calls{"on_timer " + std::to_string(id)});
    view = nullptr;  // lets go of the loop before it goes
}

// The plug-in's registrations are kept while the loops come and go, and each time sit on the
// one in use: the frame's while there is one, else the host context's.
TEST_F(RunLoop, TheRegistrationsFollowTheLoopAsItComesAndGoes) {
    RecordingRunLoop contextLoop;
    c.host.runLoop = &contextLoop;
    ASSERT_TRUE(c.initialize());
    const int fd = pair.ours();
    ASSERT_TRUE(fake.registerFd(fd, CLAP_POSIX_FD_READ));
    timer(100);
    const std::string fdNumber = std::to_string(fd);
    const Calls placed{"registerEventHandler " + fdNumber, "registerTimer 100"};
    const Calls takenBack{"unregisterEventHandler " + fdNumber, "unregisterTimer 100"};
    EXPECT_EQ(contextLoop.take(), placed);

    const struct {
        const char* what;
        std::function<void()> change;
        Calls context;
        Calls frame;
    } steps[] = {
        {"a frame with a loop", [&] { openView(&frame); }, takenBack, placed},
        {"the frame is taken away", [&] { view->setFrame(nullptr); }, placed, takenBack},
        {"the frame comes back", [&] { view->setFrame(&frame); }, takenBack, placed},
        {"the view is released", [&] { view = nullptr; }, placed, takenBack},
        {"terminate", [&] { c.component->terminate(); }, takenBack, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(contextLoop.take(), step.context);
        EXPECT_EQ(loop.take(), step.frame);
    }
    contextLoop.fireEverything();
    loop.fireEverything();
    EXPECT_EQ(fake.take(), Calls{});
}

// The module's idle timer runs on the loop while the instance is active and a loop is known, and
// it carries out the plug-in's requests from there.
TEST_F(RunLoop, TheIdleTimerRunsOnTheLoopWhileActive) {
    fake.params = {parameter(5, "Depth")};
    ASSERT_TRUE(c.start());
    EXPECT_TRUE(os::timerRunning());
    EXPECT_EQ(os::timerRunLoop(), nullptr);

    openView(&frame);
    EXPECT_EQ(loop.take(), Calls{"registerTimer 10"});
    EXPECT_EQ(os::timerRunLoop(), &loop);
    fake.toSend = {{CLAP_EVENT_PARAM_GESTURE_BEGIN, 5}, {CLAP_EVENT_PARAM_GESTURE_END, 5}};
    Block block;
    ASSERT_EQ(c.processor->process(block.data), kResultOk);
    loop.fireTimers(10);
    EXPECT_EQ(c.handler.take(), (Calls{"beginEdit 5", "endEdit 5"}));

    ASSERT_EQ(c.component->setActive(false), kResultOk);
    EXPECT_EQ(loop.take(), Calls{"unregisterTimer 10"});
    ASSERT_EQ(c.component->setActive(true), kResultOk);
    EXPECT_EQ(loop.take(), Calls{"registerTimer 10"});
    ASSERT_EQ(view->setFrame(nullptr), kResultOk);
    EXPECT_EQ(loop.take(), Calls{"unregisterTimer 10"});
    EXPECT_EQ(os::timerRunLoop(), nullptr);
}

// A host that gives no loop gets no editor, and is told why; the instance plays on, and the
// editor opens once a frame brings a loop.
TEST_F(RunLoop, WithoutARunLoopTheEditorIsRefusedAndPlayingGoesOn) {
    ASSERT_TRUE(c.start());
    PlugFrame bare(fake);
    openView(&bare);
    fake.take();
    testing::internal::CaptureStdout();
    EXPECT_EQ(view->attached(x11Window, kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_NE(testing::internal::GetCapturedStdout().find(
                  "the host gave no run loop (Steinberg::Linux::IRunLoop)"),
              std::string::npos);
    Block block;
    EXPECT_EQ(c.processor->process(block.data), kResultOk);
    EXPECT_EQ(fake.take(), Calls{"process"}) << "the editor was not started";

    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    EXPECT_EQ(view->attached(x11Window, kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_EQ(fake.take(), Calls{"set_parent x11 4200"});
}

// What the loop refuses, the plug-in hears as false, and nothing of it is kept; the plug-in's
// mistakes are refused too.
TEST_F(RunLoop, RefusalsReachThePlugin) {
    c.host.runLoop = &loop;
    ASSERT_TRUE(c.initialize());
    const int fd = pair.ours();
    EXPECT_EQ(timer(5), 1000u);
    loop.answer = kResultFalse;
    clap_id refused = 0;
    EXPECT_FALSE(fake.registerTimer(50, &refused));
    EXPECT_FALSE(fake.registerFd(fd, CLAP_POSIX_FD_READ));
    loop.answer = kResultOk;
    EXPECT_EQ(timer(50), 1001u) << "the refused timer took no slot";
    EXPECT_TRUE(fake.registerFd(fd, CLAP_POSIX_FD_READ));
    EXPECT_EQ(loop.take(), (Calls{"registerTimer 30", "registerTimer 50",
                                  "registerEventHandler " + std::to_string(fd), "registerTimer 50",
                                  "registerEventHandler " + std::to_string(fd)}));

    EXPECT_FALSE(fake.registerFd(fd, CLAP_POSIX_FD_WRITE)) << "watched already";
    EXPECT_FALSE(fake.registerFd(-1, CLAP_POSIX_FD_READ));
    EXPECT_FALSE(fake.modifyFd(fd + 100, CLAP_POSIX_FD_READ));
    EXPECT_FALSE(fake.unregisterFd(fd + 100));
    // Room to write is looked for by a timer, which the loop refuses: the fd stays as it was.
    loop.answer = kResultFalse;
    EXPECT_FALSE(fake.modifyFd(fd, CLAP_POSIX_FD_READ | CLAP_POSIX_FD_WRITE));
    loop.answer = kResultOk;
    EXPECT_EQ(loop.take(), Calls{"registerTimer 10"});
    EXPECT_EQ(loop.registeredFds(), 1u);
    EXPECT_EQ(loop.registeredTimers(), 2u);
}

// A plug-in may change its registrations from its own callbacks: a handler the plug-in drops
// while it runs stays alive until it returns, and one dropped before its turn is not called.
TEST_F(RunLoop, CallbacksMayChangeTheRegistrations) {
    c.host.runLoop = &loop;
    ASSERT_TRUE(c.initialize());
    const clap_id first = timer(30);
    const clap_id second = timer(30);
    fake.onTimer = [&](clap_id id) {
        if (id != first) return;
        for (int i = 0; i < 16; ++i) timer(30);
        fake.unregisterTimer(second);
        fake.unregisterTimer(first);
    };
    loop.fireTimers();
    EXPECT_EQ(fake.take(), Calls{"on_timer 1000"});
    fake.onTimer = nullptr;
    loop.fireTimers();
    EXPECT_EQ(fake.take().size(), 16u);

    const int fd = pair.ours();
    fake.onFd = [&](int watched, clap_posix_fd_flags_t) { fake.unregisterFd(watched); };
    ASSERT_TRUE(fake.registerFd(fd, CLAP_POSIX_FD_READ));
    pair.send();
    loop.fireFd(fd);
    EXPECT_EQ(fake.take(), Calls{fdCall(fd, CLAP_POSIX_FD_READ)});
    EXPECT_EQ(loop.registeredFds(), 0u);
}

}  // namespace
