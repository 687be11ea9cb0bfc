#pragma once

// A busy-waiting lock for the audio thread, which must never sleep on a mutex: the process
// call holds it for the whole block, the main thread only for short work between blocks.

#include <atomic>

namespace Vst3Adapter::detail::shared {

// Threads: any; never held across a call that may block. Owner: held by value inside its owner.
class SpinLock {
public:
    void lock() noexcept {
        while (locked.exchange(true, std::memory_order_acquire)) {
        }
    }
    void unlock() noexcept { locked.store(false, std::memory_order_release); }

private:
    std::atomic<bool> locked{false};
};

// Holds a SpinLock for its scope.
class SpinLockGuard {
public:
    explicit SpinLockGuard(SpinLock& lock) noexcept : lock(lock) { lock.lock(); }
    ~SpinLockGuard() { lock.unlock(); }
    SpinLockGuard(const SpinLockGuard&) = delete;
    SpinLockGuard& operator=(const SpinLockGuard&) = delete;

private:
    SpinLock& lock;
};

}  // namespace Vst3Adapter::detail::shared
