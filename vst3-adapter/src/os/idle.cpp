#include "os/idle.hpp"

#include "os/log.hpp"
#include "sdk/module_init.hpp"

#include <algorithm>
#include <iterator>

namespace os {

LinuxHelper gLinuxHelper;

namespace {

// Registered with the module's entry and exit, after everything of lower priority.
const Steinberg::ModuleInitializer createMessageWindow([] { gLinuxHelper.init(); }, 0x7fffffff);
const Steinberg::ModuleTerminator dropMessageWindow([] { gLinuxHelper.terminate(); }, 0x7fffffff);

}  // namespace

// What the host's loop calls every interval: one tick of its helper. Thread: the host's main
// thread. Owner: the helper, which takes it back from the loop before it goes, so it is not
// reference counted.
class LinuxHelper::Timer : public Steinberg::Linux::ITimerHandler {
public:
    explicit Timer(LinuxHelper& helper) : helper(helper) {}

    void PLUGIN_API onTimer() override {
        try {
            helper.executeDefered();
        } catch (...) {
            // Nothing unwinds into the host's loop; the next tick tries again.
        }
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::Linux::ITimerHandler::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid)) {
            *obj = this;
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    LinuxHelper& helper;
};

LinuxHelper::LinuxHelper() : timer(std::make_unique<Timer>(*this)) {}

LinuxHelper::~LinuxHelper() = default;

void LinuxHelper::attach(IPlugObject* object) {
    if (object == nullptr) {
        return;
    }
    running = true;
    attached.push_back(object);
    follow();
}

void LinuxHelper::detach(IPlugObject* object) {
    if (object == nullptr) {
        return;
    }
    if (ticking) {
        // The tick walks the list by index: leave the slots, empty them, compact afterwards.
        std::replace(attached.begin(), attached.end(), object, static_cast<IPlugObject*>(nullptr));
    } else {
        std::erase(attached, object);
    }
    if (std::all_of(attached.begin(), attached.end(), [](auto* o) { return o == nullptr; })) {
        running = false;
    }
    follow();
}

void LinuxHelper::executeDefered() {
    if (ticking) {
        return;  // an onIdle that ticks again would tick its own caller
    }
    ticking = true;
    const std::size_t count = attached.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (IPlugObject* object = attached[i]) {
            object->onIdle();
        }
    }
    ticking = false;
    std::erase(attached, nullptr);
}

void LinuxHelper::offerRunLoop(Steinberg::Linux::IRunLoop* loop) {
    if (loop == nullptr) {
        return;
    }
    offered.emplace_back(loop);
    follow();
}

// The latest offer of the loop goes, so the timer stays where it is while the loop is offered.
void LinuxHelper::withdrawRunLoop(Steinberg::Linux::IRunLoop* loop) {
    const auto found = std::find_if(offered.rbegin(), offered.rend(),
                                    [loop](const auto& held) { return held.get() == loop; });
    if (found == offered.rend()) {
        return;
    }
    offered.erase(std::next(found).base());
    follow();
}

void LinuxHelper::follow() {
    Steinberg::Linux::IRunLoop* wanted =
        running && !offered.empty() ? offered.front().get() : nullptr;
    if (wanted == registeredWith.get()) {
        return;
    }
    if (registeredWith) {
        registeredWith->unregisterTimer(timer.get());
        registeredWith = nullptr;
    }
    if (wanted == nullptr) {
        return;
    }
    if (wanted->registerTimer(timer.get(), static_cast<Steinberg::Linux::TimerInterval>(
                                               kIntervall)) == Steinberg::kResultOk) {
        registeredWith = wanted;
    } else {
        logWithLocation(__FILE__, __LINE__, __func__,
                        "the host's run loop refused the idle timer: no main-thread services");
    }
}

void LinuxHelper::terminate() {
    offered.clear();
    follow();
}

void attach(IPlugObject* object) {
    gLinuxHelper.attach(object);
}

void detach(IPlugObject* object) {
    gLinuxHelper.detach(object);
}

void tick() {
    gLinuxHelper.executeDefered();
}

bool timerRunning() {
    return gLinuxHelper.timerRunning();
}

void offerRunLoop(Steinberg::Linux::IRunLoop* loop) {
    gLinuxHelper.offerRunLoop(loop);
}

void withdrawRunLoop(Steinberg::Linux::IRunLoop* loop) {
    gLinuxHelper.withdrawRunLoop(loop);
}

Steinberg::Linux::IRunLoop* timerRunLoop() {
    return gLinuxHelper.timerRunLoop();
}

void State::on() {
    if (!state) {
        if (onAction) {
            onAction();
        }
        state = true;
    }
}

void State::off() {
    if (state) {
        if (offAction) {
            offAction();
        }
        state = false;
    }
}

}  // namespace os
