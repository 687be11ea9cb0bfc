#pragma once

// A fixed ring of events from one producer thread to one consumer thread, with no allocation and
// no lock: the audio thread's way of handing parameter gestures to the main thread.

#include <array>
#include <atomic>
#include <cstdint>

namespace Vst3Adapter::detail::shared {

// `Size` slots, a power of two; one is always left empty, so at most Size - 1 events wait.
// Threads: `push` on one producer thread at a time, `pop` on one consumer thread. Owner: held by
// value inside its owner.
template <typename T, std::uint32_t Size>
class fixedqueue {
    static_assert(Size >= 2 && (Size & (Size - 1)) == 0, "the size must be a power of two");
    static constexpr std::uint32_t mask = Size - 1;

public:
    // Copies `event` in; false, with the event dropped, when Size - 1 events already wait
    // (writing on would land on the oldest unread one and empty the queue).
    bool push(const T& event) {
        const std::uint32_t write = writeIndex.load(std::memory_order_relaxed);
        const std::uint32_t next = (write + 1) & mask;
        if (next == readIndex.load(std::memory_order_acquire)) {
            return false;
        }
        slots[write] = event;
        writeIndex.store(next, std::memory_order_release);
        return true;
    }

    // Copies the oldest waiting event out; false when none waits.
    bool pop(T& out) {
        const std::uint32_t read = readIndex.load(std::memory_order_relaxed);
        if (read == writeIndex.load(std::memory_order_acquire)) {
            return false;
        }
        out = slots[read];
        readIndex.store((read + 1) & mask, std::memory_order_release);
        return true;
    }

    static constexpr std::uint32_t capacity() { return Size - 1; }

private:
    std::array<T, Size> slots{};
    std::atomic<std::uint32_t> writeIndex{0};
    std::atomic<std::uint32_t> readIndex{0};
};

}  // namespace Vst3Adapter::detail::shared
