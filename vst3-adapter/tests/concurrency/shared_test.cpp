// The queue and the spin lock between two threads, for ThreadSanitizer to watch.

#include "shared/fixedqueue.hpp"
#include "shared/spin_lock.hpp"

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace Vst3Adapter::detail::shared;

// Large enough that a torn copy shows as a mismatch between its words.
struct Event {
    std::uint32_t words[16];
};

TEST(SharedBetweenThreads, AQueueHandsEveryEventOverWholeAndInOrder) {
    constexpr std::uint32_t total = 100000;
    auto queue = std::make_unique<fixedqueue<Event, 64>>();
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < total;) {
            Event event;
            for (auto& word : event.words) word = i;
            if (queue->push(event)) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::uint32_t expected = 0;
    bool whole = true;
    while (expected < total) {
        Event event{};
        if (!queue->pop(event)) {
            std::this_thread::yield();
            continue;
        }
        for (auto word : event.words) whole = whole && word == expected;
        ++expected;
    }
    producer.join();
    EXPECT_TRUE(whole);
}

TEST(SharedBetweenThreads, ASpinLockGuardsPlainData) {
    SpinLock lock;
    std::uint64_t counter = 0;
    const auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            SpinLockGuard guard(lock);
            ++counter;
        }
    };
    std::thread other(work);
    work();
    other.join();
    EXPECT_EQ(counter, 40000u);
}

}  // namespace
