#include "main_loop.hpp"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <vector>

namespace ondrix_host_testing {

using Clock = std::chrono::steady_clock;

std::chrono::nanoseconds thread_cpu_time() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

bool MainLoop::add_fd(int fd, std::uint32_t flags) {
    return fds_.emplace(fd, flags).second;
}

bool MainLoop::modify_fd(int fd, std::uint32_t flags) {
    const auto found = fds_.find(fd);
    if (found == fds_.end()) return false;
    found->second = flags;
    return true;
}

bool MainLoop::remove_fd(int fd) {
    return fds_.erase(fd) == 1;
}

std::uint32_t MainLoop::add_timer(std::uint32_t period_ms) {
    const std::uint32_t id = next_timer_++;
    const auto period = std::chrono::milliseconds(std::max<std::uint32_t>(period_ms, 1));
    timers_.emplace(id, Timer{period, Clock::now() + period});
    return id;
}

bool MainLoop::remove_timer(std::uint32_t timer) {
    return timers_.erase(timer) == 1;
}

void MainLoop::serve_round(Clock::time_point deadline) {
    auto wake = deadline;
    for (const auto& [id, timer] : timers_) wake = std::min(wake, timer.due);
    std::vector<pollfd> polled;
    for (const auto& [fd, flags] : fds_) {
        const short events = static_cast<short>(((flags & FD_READ) != 0 ? POLLIN : 0) |
                                                ((flags & FD_WRITE) != 0 ? POLLOUT : 0));
        polled.push_back(pollfd{fd, events, 0});
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now());
    poll(polled.data(), polled.size(), static_cast<int>(std::clamp<long>(wait.count(), 0, 50)));

    const auto timed = [this](auto&& call) {
        const auto start = Clock::now();
        const auto start_cpu = thread_cpu_time();
        call();
        busy += Clock::now() - start;
        busy_cpu += thread_cpu_time() - start_cpu;
        ++calls;
    };
    for (const pollfd& p : polled) {
        // Unregistered by an earlier call of this round.
        if (p.revents == 0 || fds_.count(p.fd) == 0) continue;
        const std::uint32_t flags = ((p.revents & (POLLIN | POLLHUP)) != 0 ? FD_READ : 0) |
                                    ((p.revents & POLLOUT) != 0 ? FD_WRITE : 0) |
                                    ((p.revents & (POLLERR | POLLNVAL)) != 0 ? FD_ERROR : 0);
        if (on_fd) timed([&] { on_fd(p.fd, flags); });
    }
    std::vector<std::uint32_t> due;
    const auto now = Clock::now();
    for (auto& [id, timer] : timers_) {
        if (timer.due > now) continue;
        due.push_back(id);
        timer.due = now + timer.period;
    }
    for (const std::uint32_t id : due) {
        if (timers_.count(id) != 0 && on_timer) timed([&] { on_timer(id); });
    }
}

bool MainLoop::run_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        serve_round(deadline);
    }
    return true;
}

void MainLoop::run_for(std::chrono::milliseconds time) {
    run_until([] { return false; }, time);
}

}  // namespace ondrix_host_testing
