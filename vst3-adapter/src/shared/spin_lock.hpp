#pragma once

// A busy-waiting lock for the audio thread: `process` holds it for a whole block, the main
// thread's parameter flush takes it while no block runs. Never held across a call that blocks.
// Threads: any. Owner: the object whose work it guards.

#include <atomic>

namespace Vst3Adapter::detail::shared {

class SpinLock {
public:
    void lock() {
        while (locked.exchange(true, std::memory_order_acquire)) {
        }
    }
    void unlock() { locked.store(false, std::memory_order_release); }

private:
    std::atomic<bool> locked{false};
};

class SpinLockGuard {
public:
    explicit SpinLockGuard(SpinLock& lock) : held(lock) { held.lock(); }
    ~SpinLockGuard() { held.unlock(); }
    SpinLockGuard(const SpinLockGuard&) = delete;
    SpinLockGuard& operator=(const SpinLockGuard&) = delete;

private:
    SpinLock& held;
};

}  // namespace Vst3Adapter::detail::shared
