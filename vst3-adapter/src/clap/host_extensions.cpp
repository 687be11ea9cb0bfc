#include "host_extensions.hpp"

#include <cstdio>
#include <cstring>
#include <thread>

#include "plugin.hpp"

namespace Clap {
namespace {

// How many scopes mark the calling thread as the main or the audio thread.
thread_local uint32_t mainThreadMarks = 0;
thread_local uint32_t audioThreadMarks = 0;

// Runs `call` on the owner behind `host`; `fallback` when there is none or the owner throws,
// which must not unwind into the plug-in.
template <class T, class Call>
T withOwner(const clap_host_t* host, T fallback, Call&& call) noexcept {
    const Plugin* plugin = Plugin::from(host);
    if (plugin == nullptr || plugin->owner() == nullptr) return fallback;
    try {
        return call(*plugin->owner());
    } catch (...) {
        return fallback;
    }
}

template <class Call>
void withOwner(const clap_host_t* host, Call&& call) noexcept {
    withOwner(host, true, [&](IHost& owner) {
        call(owner);
        return true;
    });
}

void hostLog(const clap_host_t* host, clap_log_severity severity, const char* message) noexcept {
    if (Plugin::from(host) != nullptr) Plugin::log(severity, message);
}

void paramsRescan(const clap_host_t* host, clap_param_rescan_flags flags) noexcept {
    withOwner(host, [&](IHost& owner) { owner.param_rescan(flags); });
}

void paramsClear(const clap_host_t*, clap_id, clap_param_clear_flags) noexcept {}

void paramsRequestFlush(const clap_host_t* host) noexcept {
    withOwner(host, [](IHost& owner) { owner.param_request_flush(); });
}

bool trackInfoGet(const clap_host_t* host, clap_track_info_t* info) noexcept {
    return withOwner(host, false, [&](IHost& owner) { return owner.track_info_get(info); });
}

bool isMainThread(const clap_host_t* host) noexcept {
    const Plugin* plugin = Plugin::from(host);
    return plugin != nullptr && plugin->is_main_thread();
}

bool isAudioThread(const clap_host_t* host) noexcept {
    const Plugin* plugin = Plugin::from(host);
    return plugin != nullptr && plugin->is_audio_thread();
}

void guiResizeHintsChanged(const clap_host_t*) noexcept {}

bool guiRequestResize(const clap_host_t* host, uint32_t width, uint32_t height) noexcept {
    return withOwner(host, false,
                     [&](IHost& owner) { return owner.gui_request_resize(width, height); });
}

bool guiRequestShow(const clap_host_t* host) noexcept {
    return withOwner(host, false, [](IHost& owner) { return owner.gui_request_show(); });
}

// The editor lives in the host's view; the plug-in cannot hide it.
bool guiRequestHide(const clap_host_t*) noexcept {
    return false;
}

void guiClosed(const clap_host_t*, bool) noexcept {}

bool registerTimer(const clap_host_t* host, uint32_t periodMs, clap_id* timerId) noexcept {
    return withOwner(host, false,
                     [&](IHost& owner) { return owner.register_timer(periodMs, timerId); });
}

bool unregisterTimer(const clap_host_t* host, clap_id timerId) noexcept {
    return withOwner(host, false, [&](IHost& owner) { return owner.unregister_timer(timerId); });
}

bool registerFd(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags) noexcept {
    return withOwner(host, false, [&](IHost& owner) { return owner.register_fd(fd, flags); });
}

bool modifyFd(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags) noexcept {
    return withOwner(host, false, [&](IHost& owner) { return owner.modify_fd(fd, flags); });
}

bool unregisterFd(const clap_host_t* host, int fd) noexcept {
    return withOwner(host, false, [&](IHost& owner) { return owner.unregister_fd(fd); });
}

void latencyChanged(const clap_host_t* host) noexcept {
    withOwner(host, [](IHost& owner) { owner.latency_changed(); });
}

void tailChanged(const clap_host_t* host) noexcept {
    withOwner(host, [](IHost& owner) { owner.tail_changed(); });
}

void stateMarkDirty(const clap_host_t* host) noexcept {
    withOwner(host, [](IHost& owner) { owner.mark_dirty(); });
}

// Without a menu of its own to offer, the host adds nothing and still succeeds.
bool menuPopulate(const clap_host_t* host, const clap_context_menu_target_t* target,
                  const clap_context_menu_builder_t* builder) noexcept {
    return withOwner(host, false, [&](IHost& owner) {
        return !owner.supportsContextMenu() || owner.context_menu_populate(target, builder);
    });
}

bool menuPerform(const clap_host_t* host, const clap_context_menu_target_t* target,
                 clap_id actionId) noexcept {
    return withOwner(host, false,
                     [&](IHost& owner) { return owner.context_menu_perform(target, actionId); });
}

bool menuCanPopup(const clap_host_t* host) noexcept {
    return withOwner(host, false, [](IHost& owner) { return owner.supportsContextMenu(); });
}

bool menuPopup(const clap_host_t* host, const clap_context_menu_target_t* target,
               int32_t screenIndex, int32_t x, int32_t y) noexcept {
    return withOwner(host, false, [&](IHost& owner) {
        return owner.context_menu_popup(target, screenIndex, x, y);
    });
}

}  // namespace

namespace HostExt {

const clap_host_log_t log{&hostLog};
const clap_host_params_t params{&paramsRescan, &paramsClear, &paramsRequestFlush};
const clap_host_track_info_t trackinfo{&trackInfoGet};
const clap_host_thread_check_t threadcheck{&isMainThread, &isAudioThread};
const clap_host_gui_t hostgui{&guiResizeHintsChanged, &guiRequestResize, &guiRequestShow,
                              &guiRequestHide, &guiClosed};
const clap_host_timer_support_t hosttimer{&registerTimer, &unregisterTimer};
const clap_host_latency_t latency{&latencyChanged};
const clap_host_tail_t tail{&tailChanged};
const clap_host_state_t state{&stateMarkDirty};
const clap_host_context_menu_t context_menu{&menuPopulate, &menuPerform, &menuCanPopup, &menuPopup};
const clap_host_posix_fd_support_t posixfd{&registerFd, &modifyFd, &unregisterFd};

}  // namespace HostExt

Plugin* Plugin::from(const clap_host_t* host) noexcept {
    if (host == nullptr || host->get_extension != &Plugin::clapExtension) return nullptr;
    return static_cast<Plugin*>(host->host_data);
}

const void* Plugin::clapExtension(const clap_host_t* host, const char* id) noexcept {
    if (from(host) == nullptr || id == nullptr) return nullptr;
    struct Offer {
        const char* id;
        const void* table;
    };
    static constexpr Offer offers[] = {
        {CLAP_EXT_LOG, &HostExt::log},
        {CLAP_EXT_PARAMS, &HostExt::params},
        {CLAP_EXT_TRACK_INFO, &HostExt::trackinfo},
        {CLAP_EXT_THREAD_CHECK, &HostExt::threadcheck},
        {CLAP_EXT_GUI, &HostExt::hostgui},
        {CLAP_EXT_TIMER_SUPPORT, &HostExt::hosttimer},
        {CLAP_EXT_LATENCY, &HostExt::latency},
        {CLAP_EXT_TAIL, &HostExt::tail},
        {CLAP_EXT_STATE, &HostExt::state},
        {CLAP_EXT_CONTEXT_MENU, &HostExt::context_menu},
        {CLAP_EXT_POSIX_FD_SUPPORT, &HostExt::posixfd},
    };
    for (const Offer& offer : offers) {
        if (std::strcmp(id, offer.id) == 0) return offer.table;
    }
    return nullptr;
}

void Plugin::clapRequestRestart(const clap_host_t* host) noexcept {
    withOwner(host, [](IHost& owner) { owner.restartPlugin(); });
}

void Plugin::clapRequestProcess(const clap_host_t*) noexcept {}

void Plugin::clapRequestCallback(const clap_host_t* host) noexcept {
    withOwner(host, [](IHost& owner) { owner.request_callback(); });
}

Raise Plugin::AlwaysMainThread() {
    return Raise(mainThreadMarks);
}

Raise Plugin::AlwaysAudioThread() {
    return Raise(audioThreadMarks);
}

bool Plugin::is_main_thread() const {
    return mainThreadMarks > 0 || std::this_thread::get_id() == mainThread_;
}

// Any thread but the one that made the proxy counts as an audio thread.
bool Plugin::is_audio_thread() const {
    return audioThreadMarks > 0 || std::this_thread::get_id() != mainThread_;
}

void Plugin::log(int severity, const char* message) {
    static constexpr const char* prefixes[] = {
        "PLUGIN: DEBUG: ",       "PLUGIN: INFO: ",  "PLUGIN: WARNING: ",
        "PLUGIN: ERROR: ",       "PLUGIN: FATAL: ", "PLUGIN: HOST MISBEHAVING: ",
        "PLUGIN: MISBEHAVING: ",
    };
    const bool known = severity >= 0 && severity < static_cast<int>(std::size(prefixes));
    const char* prefix = known ? prefixes[severity] : "";
    if (severity == CLAP_LOG_HOST_MISBEHAVING && message != nullptr) {
        std::fprintf(stderr, "%s\n", message);
    }
    std::fprintf(stderr, "%s%s\n", prefix, message != nullptr ? message : "");
}

}  // namespace Clap
