#include "shared/fixedqueue.hpp"

#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Queue = Vst3Adapter::detail::shared::fixedqueue<std::uint32_t, 8192>;

std::vector<std::uint32_t> drain(Queue& queue) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t value = 0; queue.pop(value);) out.push_back(value);
    return out;
}

std::vector<std::uint32_t> count(std::uint32_t from, std::uint32_t to) {
    std::vector<std::uint32_t> values;
    for (std::uint32_t i = from; i < to; ++i) values.push_back(i);
    return values;
}

TEST(FixedQueue, AFullQueueDropsTheNewEventAndKeepsTheWaitingOnes) {
    auto queue = std::make_unique<Queue>();
    for (std::uint32_t i = 0; i < 8191; ++i) ASSERT_TRUE(queue->push(i)) << i;
    EXPECT_FALSE(queue->push(8191));
    EXPECT_FALSE(queue->push(8192));

    EXPECT_EQ(drain(*queue), count(0, 8191));
    EXPECT_TRUE(queue->push(7));
    EXPECT_EQ(drain(*queue), std::vector<std::uint32_t>{7});
}

TEST(FixedQueue, KeepsTheOrderAcrossTheIndexWrap) {
    auto queue = std::make_unique<Queue>();
    std::vector<std::uint32_t> popped;
    std::uint32_t next = 0;
    // Rounds of 3000 pass the end of the ring several times, starting at different slots.
    while (next < 20000) {
        for (std::uint32_t i = 0; i < 3000 && next < 20000; ++i) ASSERT_TRUE(queue->push(next++));
        const auto round = drain(*queue);
        popped.insert(popped.end(), round.begin(), round.end());
    }
    EXPECT_EQ(popped, count(0, 20000));
    std::uint32_t value = 0;
    EXPECT_FALSE(queue->pop(value));
}

}  // namespace
