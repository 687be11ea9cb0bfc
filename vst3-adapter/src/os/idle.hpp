#pragma once

// The main-thread idle timer of the module. Attached objects are ticked in attach order, an
// object attached twice twice. There is no run loop here to fire it: the timer runs while at
// least one object is attached, and whoever drives the module on its main thread (a host
// adapter, the tests) calls `tick` every `kIntervall` milliseconds while `timerRunning()`.
// Threads: attach, detach and tick all on the main thread; nothing is locked.

#include <functional>
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
    // Null is ignored. The first object starts the timer.
    void attach(IPlugObject* object);
    // Removes every occurrence; the last one stops the timer. An object may detach itself or
    // others from its own onIdle: a detached object is not ticked again, even in that tick.
    void detach(IPlugObject* object);
    // One tick: onIdle of every attached object, in attach order. Objects attached during the
    // tick are first ticked by the next one.
    void executeDefered();
    bool timerRunning() const { return running; }

    // Run when the host enters and leaves the module; nothing to set up or drop here.
    void init() {}
    void terminate() {}

private:
    std::vector<IPlugObject*> attached;
    bool running = false;
    bool ticking = false;
};

extern LinuxHelper gLinuxHelper;

void attach(IPlugObject* object);
void detach(IPlugObject* object);
void tick();
bool timerRunning();

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
