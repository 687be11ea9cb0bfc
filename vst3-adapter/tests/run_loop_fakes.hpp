#pragma once

// Host run loops for the tests: one that records what is registered with it and fires its
// handlers when the test says, and a small real one that polls its fds and keeps its timers'
// times; and an editor frame that hands out a loop. Like a host, a loop holds a reference on
// each handler while it is registered and calls a handler only while it is registered, holding
// no reference of its own during the call. The recording loop also keeps every handler it was
// ever given, so a test can call one after its removal as a careless host might.
// Thread: the test's. Owner: the test.

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace run_loop_testing {

using namespace Steinberg;
using Linux::IEventHandler;
using Linux::IRunLoop;
using Linux::ITimerHandler;
using Linux::TimerInterval;

// Answers for IRunLoop and FUnknown; not reference counted (the test owns it).
class LoopBase : public IRunLoop {
public:
    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override {
        if (FUnknownPrivate::iidEqual(iid, IRunLoop::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *object = static_cast<IRunLoop*>(this);
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

protected:
    struct Fd {
        IPtr<IEventHandler> handler;
        int fd;
    };
    struct Timer {
        IPtr<ITimerHandler> handler;
        TimerInterval interval;
        std::chrono::steady_clock::time_point due{};
    };
    template <class Entry, class Handler>
    static bool registered(const std::vector<Entry>& entries, Handler* handler) {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const Entry& e) { return e.handler == handler; });
    }
    template <class Entry, class Handler>
    static bool drop(std::vector<Entry>& entries, Handler* handler) {
        const auto gone = std::remove_if(entries.begin(), entries.end(),
                                         [&](const Entry& e) { return e.handler == handler; });
        const bool found = gone != entries.end();
        entries.erase(gone, entries.end());
        return found;
    }

    std::vector<Fd> fds;
    std::vector<Timer> timers;
};

// Notes every call as text ("registerEventHandler 5", "registerTimer 30", "unregisterTimer 30",
// ...) and answers `answer` to every registration.
class RecordingRunLoop : public LoopBase {
public:
    std::vector<std::string> calls;
    tresult answer = kResultOk;

    std::vector<std::string> take() { return std::exchange(calls, {}); }

    tresult PLUGIN_API registerEventHandler(IEventHandler* handler,
                                            Linux::FileDescriptor fd) override {
        calls.push_back("registerEventHandler " + std::to_string(fd));
        if (answer == kResultOk) {
            fds.push_back({handler, fd});
            everFd.push_back({handler, fd});
        }
        return answer;
    }
    tresult PLUGIN_API unregisterEventHandler(IEventHandler* handler) override {
        for (const Fd& f : fds) {
            if (f.handler == handler) {
                calls.push_back("unregisterEventHandler " + std::to_string(f.fd));
            }
        }
        return drop(fds, handler) ? kResultOk : kInvalidArgument;
    }
    tresult PLUGIN_API registerTimer(ITimerHandler* handler, TimerInterval ms) override {
        calls.push_back("registerTimer " + std::to_string(ms));
        if (answer == kResultOk) {
            timers.push_back({handler, ms});
            everTimer.push_back(handler);
        }
        return answer;
    }
    tresult PLUGIN_API unregisterTimer(ITimerHandler* handler) override {
        for (const Timer& t : timers) {
            if (t.handler == handler) {
                calls.push_back("unregisterTimer " + std::to_string(t.interval));
            }
        }
        return drop(timers, handler) ? kResultOk : kInvalidArgument;
    }

    // Fires every timer registered now with `interval` (all when 0) once, except those a
    // callback unregisters first.
    void fireTimers(TimerInterval interval = 0) {
        std::vector<ITimerHandler*> due;
        for (const Timer& t : timers) {
            if (interval == 0 || t.interval == interval) due.push_back(t.handler);
        }
        for (ITimerHandler* handler : due) {
            if (registered(timers, handler)) handler->onTimer();
        }
    }
    // Tells the handler registered for `fd` that it is set.
    void fireFd(int fd) {
        for (const Fd& f : fds) {
            if (f.fd == fd) {
                IEventHandler* handler = f.handler;
                handler->onFDIsSet(fd);
                return;
            }
        }
    }
    // Calls every handler this loop was ever given, registered or not.
    void fireEverything() {
        for (const Fd& f : everFd) f.handler->onFDIsSet(f.fd);
        for (const auto& handler : everTimer) handler->onTimer();
    }
    std::size_t registeredFds() const { return fds.size(); }
    std::size_t registeredTimers() const { return timers.size(); }

private:
    std::vector<Fd> everFd;
    std::vector<IPtr<ITimerHandler>> everTimer;
};

// A real loop in miniature: `runUntil` polls the registered fds for input and fires the timers
// when due, as a host's main loop does, until `done` answers true or `limit` has passed.
class PollRunLoop : public LoopBase {
public:
    tresult PLUGIN_API registerEventHandler(IEventHandler* handler,
                                            Linux::FileDescriptor fd) override {
        fds.push_back({handler, fd});
        return kResultOk;
    }
    tresult PLUGIN_API unregisterEventHandler(IEventHandler* handler) override {
        return drop(fds, handler) ? kResultOk : kInvalidArgument;
    }
    tresult PLUGIN_API registerTimer(ITimerHandler* handler, TimerInterval ms) override {
        timers.push_back(
            {handler, ms, std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)});
        return kResultOk;
    }
    tresult PLUGIN_API unregisterTimer(ITimerHandler* handler) override {
        return drop(timers, handler) ? kResultOk : kInvalidArgument;
    }

    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point end = Clock::now() + limit;
        while (!done()) {
            const Clock::time_point now = Clock::now();
            if (now >= end) return false;
            Clock::time_point wake = end;
            for (const Timer& t : timers) wake = std::min(wake, t.due);
            std::vector<pollfd> polled;
            for (const Fd& f : fds) polled.push_back({f.fd, POLLIN, 0});
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now);
            ::poll(polled.data(), polled.size(),
                   static_cast<int>(std::max<long long>(wait.count(), 0)));
            // A handler is called only while it is still registered: a callback may remove
            // others, or add some.
            for (const pollfd& p : polled) {
                if (p.revents == 0) continue;
                for (std::size_t i = 0; i < fds.size(); ++i) {
                    if (fds[i].fd == p.fd) {
                        IEventHandler* handler = fds[i].handler;
                        handler->onFDIsSet(p.fd);
                        break;
                    }
                }
            }
            for (std::size_t i = 0; i < timers.size(); ++i) {
                if (timers[i].due > Clock::now()) continue;
                timers[i].due = Clock::now() + std::chrono::milliseconds(timers[i].interval);
                ITimerHandler* handler = timers[i].handler;
                handler->onTimer();
            }
        }
        return true;
    }
};

// The host's frame around an editor view, with a run loop when given one; resizes succeed.
class LoopFrame : public IPlugFrame {
public:
    explicit LoopFrame(IRunLoop* loop) : loop(loop) {}

    tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override {
        if (loop != nullptr && FUnknownPrivate::iidEqual(iid, IRunLoop::iid)) {
            *object = loop;
            return kResultOk;
        }
        if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *object = static_cast<IPlugFrame*>(this);
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

private:
    IRunLoop* loop;
};

}  // namespace run_loop_testing
