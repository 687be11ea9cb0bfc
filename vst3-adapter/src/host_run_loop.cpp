#include "host_run_loop.hpp"

#include "os/idle.hpp"
#include "os/log.hpp"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>

using namespace Steinberg;
using Steinberg::Linux::IEventHandler;
using Steinberg::Linux::IRunLoop;
using Steinberg::Linux::ITimerHandler;

namespace {

// How often an fd the loop does not watch for the plug-in is looked at.
constexpr Linux::TimerInterval checkInterval = static_cast<Linux::TimerInterval>(os::kIntervall);

// What `fd` is ready for now, of what `asked` names, with its errors and hang-up; 0 for nothing.
clap_posix_fd_flags_t readiness(int fd, clap_posix_fd_flags_t asked) {
    pollfd entry{fd, 0, 0};
    if ((asked & CLAP_POSIX_FD_READ) != 0) {
        entry.events |= POLLIN;
    }
    if ((asked & CLAP_POSIX_FD_WRITE) != 0) {
        entry.events |= POLLOUT;
    }
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return 0;
    }
    clap_posix_fd_flags_t flags = 0;
    if ((entry.revents & POLLIN) != 0) {
        flags |= CLAP_POSIX_FD_READ;
    }
    if ((entry.revents & POLLOUT) != 0) {
        flags |= CLAP_POSIX_FD_WRITE;
    }
    if ((entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        flags |= CLAP_POSIX_FD_ERROR;
    }
    return flags;
}

// The entry whose `key` is `value`, or null.
template <class Entry, class Key>
Entry* findBy(std::vector<Entry>& entries, Key Entry::*key, Key value) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const Entry& e) { return e.*key == value; });
    return found != entries.end() ? &*found : nullptr;
}

}  // namespace

// One registration as the host's loop sees it: a watched fd's event handler and the timer that
// looks at it, or a plug-in timer. Cut off when its registration ends, after which it calls
// nothing. Thread: the host's main thread. Owner: reference counted, held by its registration
// and by the host's loop as long as the host keeps it.
class HostRunLoop::Handler final : public IEventHandler, public ITimerHandler {
public:
    Handler(HostRunLoop& owner, int fd, clap_id timer) : owner(&owner), fd(fd), timer(timer) {}

    void cutOff() { owner = nullptr; }

    void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override {
        call([this](HostRunLoop& o) { o.fdSet(fd, ~clap_posix_fd_flags_t{0}); });
    }
    void PLUGIN_API onTimer() override {
        call([this](HostRunLoop& o) {
            if (fd >= 0) {
                o.fdSet(fd, CLAP_POSIX_FD_WRITE);
            } else {
                o.timerFired(timer);
            }
        });
    }

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (FUnknownPrivate::iidEqual(iid, IEventHandler::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *obj = static_cast<IEventHandler*>(this);
        } else if (FUnknownPrivate::iidEqual(iid, ITimerHandler::iid)) {
            *obj = static_cast<ITimerHandler*>(this);
        } else {
            *obj = nullptr;
            return kNoInterface;
        }
        addRef();
        return kResultOk;
    }
    uint32 PLUGIN_API addRef() override { return ++references; }
    uint32 PLUGIN_API release() override {
        const uint32 left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

private:
    ~Handler() = default;

    // The plug-in may end this registration from its own callback: the handler stays alive
    // until the call returns. Nothing unwinds into the host's loop.
    template <class Call>
    void call(Call&& what) {
        if (owner == nullptr) {
            return;
        }
        const IPtr<Handler> alive(this);
        try {
            what(*owner);
        } catch (...) {
        }
    }

    HostRunLoop* owner;
    const int fd;         // the fd watched, or -1 for a plug-in timer
    const clap_id timer;  // the plug-in timer's id
    std::atomic<uint32> references{1};
};

HostRunLoop::HostRunLoop(FdCallback onFd, TimerCallback onTimer)
    : onFd(std::move(onFd)), onTimer(std::move(onTimer)) {}

HostRunLoop::~HostRunLoop() {
    reset();
}

void HostRunLoop::setContext(FUnknown* context) {
    contextLoop = FUnknownPtr<IRunLoop>(context);
    follow();
}

void HostRunLoop::setFrame(FUnknown* frame) {
    frameLoop = FUnknownPtr<IRunLoop>(frame);
    follow();
}

void HostRunLoop::follow() {
    IRunLoop* wanted = frameLoop ? frameLoop.get() : contextLoop.get();
    if (wanted == inUse.get()) {
        return;
    }
    for (Watch& watch : watches) {
        takeBack(watch);
    }
    for (Timer& timer : timers) {
        takeBack(timer);
    }
    os::withdrawRunLoop(inUse);
    inUse = wanted;
    os::offerRunLoop(inUse);
    bool refused = false;
    for (Watch& watch : watches) {
        refused |= !arrange(watch);
    }
    for (Timer& timer : timers) {
        refused |= !place(timer);
    }
    if (refused) {
        os::logWithLocation(
            __FILE__, __LINE__, __func__,
            "the host's run loop refused a file descriptor or timer of the plug-in");
    }
}

// The loop tells of readable fds only: an fd watched for room to write, or for errors alone, is
// looked at by a timer instead. True when every registration wanted was made; with no loop in
// use none is wanted, and the watch waits for a loop.
bool HostRunLoop::arrange(Watch& watch) {
    const clap_posix_fd_flags_t flags = inUse ? watch.flags : 0;
    const bool events = (flags & CLAP_POSIX_FD_READ) != 0;
    const bool check = (flags & CLAP_POSIX_FD_WRITE) != 0 ||
                       (flags & (CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR)) == CLAP_POSIX_FD_ERROR;
    if (events && !watch.watched) {
        watch.watched = inUse->registerEventHandler(watch.handler, watch.fd) == kResultOk;
    } else if (!events && watch.watched) {
        inUse->unregisterEventHandler(watch.handler);
        watch.watched = false;
    }
    if (check && !watch.checked) {
        watch.checked = inUse->registerTimer(watch.handler, checkInterval) == kResultOk;
    } else if (!check && watch.checked) {
        inUse->unregisterTimer(watch.handler);
        watch.checked = false;
    }
    return watch.watched == events && watch.checked == check;
}

void HostRunLoop::takeBack(Watch& watch) {
    if (watch.checked) {
        inUse->unregisterTimer(watch.handler);
        watch.checked = false;
    }
    if (watch.watched) {
        inUse->unregisterEventHandler(watch.handler);
        watch.watched = false;
    }
}

// True when it runs, or waits for a loop.
bool HostRunLoop::place(Timer& timer) {
    if (inUse) {
        timer.running = inUse->registerTimer(timer.handler, timer.period) == kResultOk;
    }
    return !inUse || timer.running;
}

void HostRunLoop::takeBack(Timer& timer) {
    if (timer.running) {
        inUse->unregisterTimer(timer.handler);
        timer.running = false;
    }
}

template <class Entry>
bool HostRunLoop::forget(std::vector<Entry>& entries, Entry* entry) {
    if (entry == nullptr) {
        return false;
    }
    takeBack(*entry);
    entry->handler->cutOff();
    entries.erase(entries.begin() + (entry - entries.data()));
    return true;
}

bool HostRunLoop::addFd(int fd, clap_posix_fd_flags_t flags) {
    if (fd < 0 || findFd(fd) != nullptr) {
        return false;
    }
    Watch watch{fd, flags, owned(new Handler(*this, fd, 0))};
    if (!arrange(watch)) {
        takeBack(watch);
        watch.handler->cutOff();
        return false;
    }
    watches.push_back(std::move(watch));
    return true;
}

// A change the loop refuses leaves the watch as it was.
bool HostRunLoop::modifyFd(int fd, clap_posix_fd_flags_t flags) {
    Watch* watch = findFd(fd);
    if (watch == nullptr) {
        return false;
    }
    const clap_posix_fd_flags_t before = watch->flags;
    watch->flags = flags;
    if (!arrange(*watch)) {
        watch->flags = before;
        arrange(*watch);
        return false;
    }
    return true;
}

bool HostRunLoop::removeFd(int fd) {
    return forget(watches, findFd(fd));
}

bool HostRunLoop::addTimer(clap_id id, uint32_t periodMs) {
    if (findTimer(id) != nullptr) {
        return false;
    }
    Timer timer{id, periodMs, owned(new Handler(*this, -1, id))};
    if (!place(timer)) {
        timer.handler->cutOff();
        return false;
    }
    timers.push_back(std::move(timer));
    return true;
}

bool HostRunLoop::removeTimer(clap_id id) {
    return forget(timers, findTimer(id));
}

HostRunLoop::Watch* HostRunLoop::findFd(int fd) {
    return findBy(watches, &Watch::fd, fd);
}

HostRunLoop::Timer* HostRunLoop::findTimer(clap_id id) {
    return findBy(timers, &Timer::id, id);
}

void HostRunLoop::reset() {
    while (!watches.empty()) {
        forget(watches, &watches.back());
    }
    while (!timers.empty()) {
        forget(timers, &timers.back());
    }
    contextLoop = nullptr;
    frameLoop = nullptr;
    follow();
}

// What the fd is ready for, of what the plug-in watches it for now and the caller looks at.
void HostRunLoop::fdSet(int fd, clap_posix_fd_flags_t asked) {
    const Watch* watch = findFd(fd);
    if (watch == nullptr) {
        return;
    }
    const clap_posix_fd_flags_t ready = readiness(fd, watch->flags & asked);
    if (ready != 0 && onFd) {
        onFd(fd, ready);
    }
}

void HostRunLoop::timerFired(clap_id id) {
    if (onTimer) {
        onTimer(id);
    }
}
