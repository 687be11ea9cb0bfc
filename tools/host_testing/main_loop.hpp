#pragma once

// A host's main loop for tests: it watches the file descriptors and runs the timers a plug-in
// registered, calling back into the plug-in for each, until the test has what it waits for.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>

namespace ondrix_host_testing {

// Readiness bits, the same as CLAP's posix fd flags (VST3's run loop only knows "readable").
inline constexpr std::uint32_t FD_READ = 1;
inline constexpr std::uint32_t FD_WRITE = 2;
inline constexpr std::uint32_t FD_ERROR = 4;

// The calling thread's processor time.
std::chrono::nanoseconds thread_cpu_time();

// Thread: the test's thread, which stands for the host's main thread. Owner: the test.
class MainLoop {
  public:
    // Where the loop delivers; a test sets them to its plug-in's entry points.
    std::function<void(int fd, std::uint32_t flags)> on_fd;
    std::function<void(std::uint32_t timer)> on_timer;

    bool add_fd(int fd, std::uint32_t flags);
    bool modify_fd(int fd, std::uint32_t flags);
    bool remove_fd(int fd);
    // A new timer's id.
    std::uint32_t add_timer(std::uint32_t period_ms);
    bool remove_timer(std::uint32_t timer);

    const std::map<int, std::uint32_t>& fds() const { return fds_; }
    std::size_t timer_count() const { return timers_.size(); }

    // Serves fds and timers until `done` answers true (checked after every round) or `limit`
    // passed; returns whether `done` came true.
    bool run_until(const std::function<bool()>& done, std::chrono::milliseconds limit);
    void run_for(std::chrono::milliseconds time);

    // Time spent inside on_fd and on_timer since the last reset: as the clock on the wall
    // shows it, and as this thread's processor time (which a loaded machine does not inflate).
    std::chrono::nanoseconds busy{0};
    std::chrono::nanoseconds busy_cpu{0};
    std::uint64_t calls = 0;

  private:
    struct Timer {
        std::chrono::milliseconds period;
        std::chrono::steady_clock::time_point due;
    };
    void serve_round(std::chrono::steady_clock::time_point deadline);

    std::map<int, std::uint32_t> fds_;
    std::map<std::uint32_t, Timer> timers_;
    std::uint32_t next_timer_ = 1;
};

}  // namespace ondrix_host_testing
