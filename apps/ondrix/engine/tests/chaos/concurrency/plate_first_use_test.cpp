#include "chaos/cells.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <latch>
#include <span>
#include <thread>
#include <vector>

namespace ondrix_engine::chaos::cells {
namespace {

TEST(Plate, ThreadsArrivingTogetherShareOneTable) {
    // Each test runs in a process of its own, so this is the table's first use: every thread
    // must get the one finished table.
    constexpr std::size_t threads = 8;
    std::latch start(threads);
    std::array<std::span<const HexCell>, threads> seen;
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            start.arrive_and_wait();
            seen[t] = CELLS();
        });
    }
    for (std::thread& w : workers) w.join();
    for (const auto& table : seen) {
        EXPECT_EQ(table.data(), seen[0].data());
        ASSERT_EQ(table.size(), 271u);
        EXPECT_EQ(table[270].y, 3.375f);
    }
}

}  // namespace
}  // namespace ondrix_engine::chaos::cells
