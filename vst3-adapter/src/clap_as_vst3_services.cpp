// ClapAsVst3 as the plug-in's host: its parameter edits queued for the main thread, its requests
// (flush, callback, restart, resize) carried out by the idle tick, its timers and file
// descriptors served by the host's run loop, and the host name.

#include "clap_as_vst3.hpp"

#include "clap/plugin.hpp"
#include "process_adapter.hpp"
#include "sdk/string_convert.hpp"
#include "vst3_parameter.hpp"
#include "wrapped_view.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Vst3Adapter::detail::shared::SpinLockGuard;

namespace {

// Plug-in timers fire no more often than this.
constexpr uint32_t shortestTimerPeriod = 30;
// Timer ids are slot indices from here on.
constexpr clap_id firstTimerId = 1000;

}  // namespace

void ClapAsVst3::onBeginEdit(clap_id id) {
    eventQueue.push(queueEvent::beginEvent(id));
}

void ClapAsVst3::onPerformEdit(const clap_event_param_value_t* value) {
    if (value != nullptr) {
        eventQueue.push(queueEvent::valueEvent(value));
    }
}

void ClapAsVst3::onEndEdit(clap_id id) {
    eventQueue.push(queueEvent::endEvent(id));
}

void ClapAsVst3::request_callback() {
    requestCallback = true;
}

void ClapAsVst3::restartPlugin() {
    requestRestart = true;
}

void ClapAsVst3::param_request_flush() {
    requestFlush = true;
}

void ClapAsVst3::mark_dirty() {
    setDirty(true);  // reaches the host only through IComponentHandler2
}

void ClapAsVst3::latency_changed() {
    if (componentHandler != nullptr) {
        componentHandler->restartComponent(kLatencyChanged);
    }
}

// VST3 has no restart flag of its own for the tail; the host asks again after this one.
void ClapAsVst3::tail_changed() {
    latency_changed();
}

bool ClapAsVst3::gui_can_resize() {
    return componentHandler2 != nullptr;
}

bool ClapAsVst3::gui_request_resize(uint32_t width, uint32_t height) {
    const uint32_t packed = width << 16 | height;
    // Each side gets 16 bits; 0xFFFF by 0xFFFF would read as no request.
    if (width > 0xFFFF || height > 0xFFFF || packed == noResize) {
        return false;
    }
    pendingResize = packed;
    return true;
}

bool ClapAsVst3::gui_request_show() {
    return componentHandler2 != nullptr && requestOpenEditor(ViewType::kEditor) == kResultOk;
}

bool ClapAsVst3::gui_request_hide() {
    return false;
}

bool ClapAsVst3::track_info_get(clap_track_info_t* info) {
    if (info == nullptr || !trackInfo) {
        return false;
    }
    *info = *trackInfo;
    return true;
}

// A timer the host's loop refuses takes no slot.
bool ClapAsVst3::register_timer(uint32_t periodMs, clap_id* timerId) {
    if (timerId == nullptr) {
        return false;
    }
    const uint32_t period = std::max(periodMs, shortestTimerPeriod);
    auto slot = std::find_if(timers.begin(), timers.end(),
                             [](const TimerObject& timer) { return timer.period == 0; });
    const clap_id id = firstTimerId + static_cast<clap_id>(slot - timers.begin());
    if (!runLoop.addTimer(id, period)) {
        return false;
    }
    if (slot == timers.end()) {
        slot = timers.insert(timers.end(), TimerObject{});
    }
    slot->id = id;
    slot->period = period;
    *timerId = id;
    return true;
}

// The slot stays, free, and keeps its id for the next timer that takes it.
bool ClapAsVst3::unregister_timer(clap_id timerId) {
    for (TimerObject& timer : timers) {
        if (timer.id == timerId) {
            timer.period = 0;
            runLoop.removeTimer(timerId);
            return true;
        }
    }
    return false;
}

void ClapAsVst3::timerDue(clap_id id) {
    const auto* support = plugin ? plugin->extensions().timerSupport : nullptr;
    if (support != nullptr && support->on_timer != nullptr) {
        support->on_timer(plugin->instance(), id);
    }
}

bool ClapAsVst3::register_fd(int fd, clap_posix_fd_flags_t flags) {
    return runLoop.addFd(fd, flags);
}

bool ClapAsVst3::modify_fd(int fd, clap_posix_fd_flags_t flags) {
    return runLoop.modifyFd(fd, flags);
}

bool ClapAsVst3::unregister_fd(int fd) {
    return runLoop.removeFd(fd);
}

void ClapAsVst3::fdReady(int fd, clap_posix_fd_flags_t flags) {
    const auto* support = plugin ? plugin->extensions().posixFdSupport : nullptr;
    if (support != nullptr && support->on_fd != nullptr) {
        support->on_fd(plugin->instance(), fd, flags);
    }
}

const char* ClapAsVst3::host_get_name() {
    String128 name{};
    if (hostApplication && hostApplication->getName(name) == kResultOk) {
        name[std::size(name) - 1] = 0;  // the host may fill every unit
        hostName = StringConvert::convert(name) + " (VODI-do-VAR3)";
    }
    return hostName.c_str();
}

void ClapAsVst3::param_rescan(clap_param_rescan_flags flags) {
    const clap_plugin_params_t* params = plugin ? plugin->extensions().params : nullptr;
    int32 restart = 0;
    if ((flags & CLAP_PARAM_RESCAN_ALL) != 0 && params != nullptr) {
        setupParameters(plugin->instance(), params);
        restart |= kMidiCCAssignmentChanged;
    }
    if ((flags & CLAP_PARAM_RESCAN_VALUES) != 0) {
        restart |= kParamValuesChanged;
    }
    if ((flags & CLAP_PARAM_RESCAN_INFO) != 0) {
        restart |= kParamValuesChanged | kParamTitlesChanged;
    }
    if (restart == 0) {
        return;
    }
    paramsRescanned = true;
    syncParameterValuesFromClap();
    if ((flags & CLAP_PARAM_RESCAN_INFO) != 0 && params != nullptr) {
        for (int32 i = 0; i < parameters.getParameterCount(); ++i) {
            auto* parameter = FCast<Vst3Parameter>(parameters.getParameterByIndex(i));
            clap_param_info_t info{};
            if (parameter == nullptr || parameter->isMidi ||
                !params->get_info(plugin->instance(), static_cast<uint32_t>(parameter->clapIndex),
                                  &info)) {
                continue;
            }
            // Converted as at set-up; the plug-in may fill its name field to the last byte.
            StringConvert::convert(std::string_view(info.name, strnlen(info.name, sizeof info.name)),
                                   parameter->getInfo().title);
        }
    }
    if (componentHandler != nullptr) {
        componentHandler->restartComponent(restart);
    }
}

void ClapAsVst3::param_clear(clap_id param, clap_param_clear_flags flags) {
    if ((flags & CLAP_PARAM_CLEAR_ALL) != 0) {
        parameters.removeParameter(param & 0x7FFFFFFF);
    }
}

void ClapAsVst3::deliverQueuedEdits() {
    queueEvent event;
    while (eventQueue.pop(event)) {
        switch (event.type) {
        case queueEvent::begin:
            beginEdit(event.payload.id);
            break;
        case queueEvent::value: {
            const clap_event_param_value_t& value = event.payload.value;
            if (auto* parameter =
                    FCast<Vst3Parameter>(parameters.getParameter(value.param_id & 0x7FFFFFFF))) {
                performEdit(parameter->getInfo().id, parameter->asVst3Value(value.value));
            }
            break;
        }
        case queueEvent::end:
            endEdit(event.payload.id);
            break;
        default:
            break;
        }
    }
}

void ClapAsVst3::onIdle() {
    deliverQueuedEdits();
    logDroppedEvents();

    if (requestFlush && plugin) {
        // Set up before the locks are taken: the set-up allocates, and a block or a change of
        // processing may be waiting for them.
        Clap::ProcessAdapter flusher;
        flusher.setupProcessing(plugin->instance(), plugin->extensions().params, audioInputs,
                                audioOutputs, 0, 0, 0, parameters, componentHandler, this,
                                openGestures, false, false);
        SpinLockGuard processGuard(processLock);
        std::lock_guard processingGuard(processingMutex);
        requestFlush = false;
        // While the host sends blocks the plug-in takes its parameter changes out in the next.
        if (!processing || !processCalled) {
            const Clap::Raise audio = Clap::Plugin::AlwaysAudioThread();
            flusher.flush();
        }
    }

    if (requestCallback.exchange(false) && plugin) {
        const clap_plugin_t* instance = plugin->instance();
        if (instance != nullptr && instance->on_main_thread != nullptr) {
            instance->on_main_thread(instance);
        }
    }

    if (requestRestart.exchange(false) && componentHandler != nullptr) {
        componentHandler->restartComponent(kIoChanged | kLatencyChanged);
    }

    if (wrappedView != nullptr) {
        const uint32_t resize = pendingResize.exchange(noResize);
        if (resize != noResize) {
            wrappedView->request_resize(resize >> 16, resize & 0xFFFF);
        }
    }
}
