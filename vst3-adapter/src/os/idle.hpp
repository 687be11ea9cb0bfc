#pragma once

// The main-thread idle timer of the module. Attached objects are ticked in attach order, an
// object attached twice twice. Inside a host the timer runs on the host's run loop: it is
// registered there, every `kIntervall` milliseconds, while at least one object is attached and
// a run loop is offered (the instances offer the loops their hosts give them), and taken back
// when the last object detaches or its loop is withdrawn. Where no host loop fires it, whoever
// drives the module on its main thread (a host of our own, the tests) calls `tick` every
// `kIntervall` milliseconds while `timerRunning()`.
// Threads: attach, detach, the offers and the tick all on the main thread; nothing is locked.

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace os {

// Something ticked on the main thread while it is attached.
class IPlugObject {
public:
    virtual ~IPlugObject() = default;
    virtual void onIdle() = 0;
};

// The tick interval, in milliseconds.
inline constexpr float kIntervall = 10.0f;

class LinuxHelper {
public:
    LinuxHelper();
    ~LinuxHelper();
    LinuxHelper(const LinuxHelper&) = delete;
    LinuxHelper& operator=(const LinuxHelper&) = delete;

    // Null is ignored. The first object starts the timer.
    void attach(IPlugObject* object);
    // Removes every occurrence; the last one stops the timer. An object may detach itself or
    // others from its own onIdle: a detached object is not ticked again, even in that tick.
    void detach(IPlugObject* object);
    // One tick: onIdle of every attached object, in attach order. Objects attached during the
    // tick are first ticked by the next one.
    void executeDefered();
    // Some object is attached.
    bool timerRunning() const { return running; }

    // A host run loop the timer may run on, held until withdrawn; a loop offered twice is
    // withdrawn twice. The timer runs on the earliest offer still standing. Null is ignored.
    void offerRunLoop(Steinberg::Linux::IRunLoop* loop);
    void withdrawRunLoop(Steinberg::Linux::IRunLoop* loop);
    // The loop the timer is registered with; null while it is on none.
    Steinberg::Linux::IRunLoop* timerRunLoop() const { return registeredWith.get(); }

    // Run when the host enters and leaves the module. Leaving takes the timer back from its
    // loop and lets go of every loop still offered.
    void init() {}
    void terminate();

private:
    class Timer;
    // Registers the timer with the loop it should run on now, or takes it back.
    void follow();

    std::vector<IPlugObject*> attached;
    std::vector<Steinberg::IPtr<Steinberg::Linux::IRunLoop>> offered;
    Steinberg::IPtr<Steinberg::Linux::IRunLoop> registeredWith;
    std::unique_ptr<Timer> timer;
    bool running = false;
    bool ticking = false;
};

extern LinuxHelper gLinuxHelper;

void attach(IPlugObject* object);
void detach(IPlugObject* object);
void tick();
bool timerRunning();
void offerRunLoop(Steinberg::Linux::IRunLoop* loop);
void withdrawRunLoop(Steinberg::Linux::IRunLoop* loop);
Steinberg::Linux::IRunLoop* timerRunLoop();

// An owner's switch for one attachment: `on` runs the on action only when off, `off` the off
// action only when on; destruction switches off. Main thread.
class State {
public:
    State(std::function<void()> onAction, std::function<void()> offAction)
        : onAction(std::move(onAction)), offAction(std::move(offAction)) {}
    ~State() { off(); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    void on();
    void off();
    bool isOn() const { return state; }

private:
    bool state = false;
    std::function<void()> onAction;
    std::function<void()> offAction;
};

}  // namespace os
