#pragma once

// The host's main-thread services as the editor's web view uses them: "clap.posix-fd-support"
// where the host offers it, else "clap.timer-support", and "clap.log".

#include <clap/ext/posix-fd-support.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>

#include <optional>

#include "editor/web_view.hpp"

namespace vantrel_ondrix_plugin {

// One watch at a time, on the host's fd support or on a timer of about a frame. Thread: host
// main thread. Owner: the instance's MainThread, which keeps it at one address and destroys it
// after the editor.
class ClapHostLoop final : public editor::HostLoop {
  public:
    // How often the timer polls the socket where the host has no fd support.
    static constexpr std::uint32_t TIMER_PERIOD_MS = 16;

    explicit ClapHostLoop(const clap_host_t* host) : host_(host) {}
    ~ClapHostLoop() override;
    ClapHostLoop(const ClapHostLoop&) = delete;
    ClapHostLoop& operator=(const ClapHostLoop&) = delete;

    // True when the host offers fd support or timers.
    bool available() const;

    bool watch(int fd, bool writable) override;
    void unwatch(int fd) override;
    void log(std::string_view message) override;

    // Whether the host's call is for the current watch.
    bool is_watched_fd(int fd) const { return fd_ && *fd_ == fd && fds_ != nullptr; }
    bool is_watch_timer(clap_id timer) const { return timer_ && *timer_ == timer; }

  private:
    const clap_host_posix_fd_support_t* fd_support() const;
    const clap_host_timer_support_t* timer_support() const;

    const clap_host_t* host_;
    // The watched descriptor, and the table it is registered with (null: polled by the timer).
    std::optional<int> fd_;
    const clap_host_posix_fd_support_t* fds_ = nullptr;
    std::optional<clap_id> timer_;
};

}  // namespace vantrel_ondrix_plugin
