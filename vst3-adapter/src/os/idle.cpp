#include "os/idle.hpp"

#include "sdk/module_init.hpp"

#include <algorithm>

namespace os {

LinuxHelper gLinuxHelper;

namespace {

// Registered with the module's entry and exit, after everything of lower priority.
const Steinberg::ModuleInitializer createMessageWindow([] { gLinuxHelper.init(); }, 0x7fffffff);
const Steinberg::ModuleTerminator dropMessageWindow([] { gLinuxHelper.terminate(); }, 0x7fffffff);

}  // namespace

void LinuxHelper::attach(IPlugObject* object) {
    if (object == nullptr) {
        return;
    }
    running = true;
    attached.push_back(object);
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
