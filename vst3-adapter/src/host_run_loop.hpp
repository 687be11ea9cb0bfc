#pragma once

// The host's Linux run loop as one instance uses it. A host hands its loop to the editor view
// with the frame, and some hosts also with the context of `initialize`; the frame's is used
// while there is one. The plug-in's watched file descriptors and timers are registered with the
// loop in use and follow it: taken back from a loop that goes, registered with the one that
// comes, and kept meanwhile. The loop in use is also offered to the module's idle timer.
// Threads: the host's main thread. Owner: the instance (a member of ClapAsVst3); it holds a
// reference on every loop it knows. The host may hold a handler past its removal: from then on
// the handler calls nothing.

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <clap/ext/posix-fd-support.h>
#include <clap/id.h>

#include <cstdint>
#include <functional>
#include <vector>

class HostRunLoop {
public:
    using FdCallback = std::function<void(int fd, clap_posix_fd_flags_t flags)>;
    using TimerCallback = std::function<void(clap_id id)>;

    // `onFd` hears what a watched fd is ready for, `onTimer` the id of a timer that fires.
    HostRunLoop(FdCallback onFd, TimerCallback onTimer);
    // Lets go of everything, as `reset` does.
    ~HostRunLoop();
    HostRunLoop(const HostRunLoop&) = delete;
    HostRunLoop& operator=(const HostRunLoop&) = delete;

    // The loop of the host context and of the view's frame, asked of the object given; null, or
    // an object without a loop, lets go of the one held.
    void setContext(Steinberg::FUnknown* context);
    void setFrame(Steinberg::FUnknown* frame);
    // The loop in use: the frame's, else the context's; null when neither gave one.
    Steinberg::Linux::IRunLoop* loop() const { return inUse.get(); }

    // The plug-in's file descriptors, watched for CLAP_POSIX_FD_READ, _WRITE and _ERROR. The
    // loop tells only of readable fds: one watched for room to write, or for errors alone, is
    // looked at every `os::kIntervall` ms instead. Errors and hang-ups are told whatever was
    // asked for, as poll tells them. False for a negative fd, for one watched already (add) or
    // not watched (modify, remove), and when the loop in use refuses it. With no loop in use an
    // fd is kept and watched once one comes.
    bool addFd(int fd, clap_posix_fd_flags_t flags);
    bool modifyFd(int fd, clap_posix_fd_flags_t flags);
    bool removeFd(int fd);
    // The plug-in's timers, fired every `periodMs` by the loop; kept without a loop as fds are.
    // False for an id in use already (add) or unknown (remove), and when the loop refuses it.
    bool addTimer(clap_id id, uint32_t periodMs);
    bool removeTimer(clap_id id);

    // Takes every fd and timer back from the loop and forgets them, then lets go of both loops.
    void reset();

private:
    class Handler;
    struct Watch {
        int fd;
        clap_posix_fd_flags_t flags;
        Steinberg::IPtr<Handler> handler;
        bool watched = false;  // registered with the loop as an event handler
        bool checked = false;  // registered with the loop as a timer that looks at the fd
    };
    struct Timer {
        clap_id id;
        uint32_t period;
        Steinberg::IPtr<Handler> handler;
        bool running = false;  // registered with the loop
    };

    // Called by the handlers.
    void fdSet(int fd, clap_posix_fd_flags_t asked);
    void timerFired(clap_id id);

    // Moves every registration to the loop that should be in use now.
    void follow();
    bool arrange(Watch& watch);
    bool place(Timer& timer);
    void takeBack(Watch& watch);
    void takeBack(Timer& timer);
    // Takes one registration back from the loop and drops it; its handler calls nothing after.
    // False for none.
    template <class Entry>
    bool forget(std::vector<Entry>& entries, Entry* entry);
    Watch* findFd(int fd);
    Timer* findTimer(clap_id id);

    FdCallback onFd;
    TimerCallback onTimer;
    Steinberg::IPtr<Steinberg::Linux::IRunLoop> contextLoop;
    Steinberg::IPtr<Steinberg::Linux::IRunLoop> frameLoop;
    Steinberg::IPtr<Steinberg::Linux::IRunLoop> inUse;
    std::vector<Watch> watches;
    std::vector<Timer> timers;
};
