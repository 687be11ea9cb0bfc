#pragma once

// A fixed ring of events from one producer to one consumer, with no allocation and no lock.
// One slot always stays free, so `N` - 1 events can wait; a push into a full queue drops the
// new event and answers false.
// Threads: one producer and one consumer at a time, any two threads. Owner: the object that
// holds it (the ring lives inside it).

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace Vst3Adapter::detail::shared {

template <class T, std::size_t N>
class fixedqueue {
    static_assert(N >= 2 && (N & (N - 1)) == 0, "the ring size is a power of two");
    static constexpr std::uint32_t mask = static_cast<std::uint32_t>(N - 1);

public:
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

    bool pop(T& out) {
        const std::uint32_t read = readIndex.load(std::memory_order_relaxed);
        if (read == writeIndex.load(std::memory_order_acquire)) {
            return false;
        }
        out = slots[read];
        readIndex.store((read + 1) & mask, std::memory_order_release);
        return true;
    }

private:
    std::array<T, N> slots{};
    std::atomic<std::uint32_t> writeIndex{0};
    std::atomic<std::uint32_t> readIndex{0};
};

}  // namespace Vst3Adapter::detail::shared
