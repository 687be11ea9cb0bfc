#include "chaos/cells.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace ondrix_engine::chaos::cells {
namespace {

std::size_t valid_neighbours(const HexCell& cell) {
    return static_cast<std::size_t>(std::count_if(cell.neighbours.begin(), cell.neighbours.end(),
                                                  [](int n) { return n >= 0; }));
}

TEST(Plate, SizeAndLandmarkCells) {
    const auto plate = CELLS();
    ASSERT_EQ(plate.size(), 271u);
    struct Case {
        const char* name;
        std::size_t index;
        float x, y;
    };
    const std::vector<Case> cases = {
        {"first (0, -9)", 0, -1.9485570f, -3.375f},
        {"centre (0, 0)", 135, 0.0f, 0.0f},
        {"last (0, 9)", 270, 1.9485570f, 3.375f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(plate[c.index].x, c.x);
        EXPECT_EQ(plate[c.index].y, c.y);
    }
    // Same table on every call.
    EXPECT_EQ(CELLS().data(), plate.data());
}

TEST(Plate, CentreNeighboursInSlotOrder) {
    const auto plate = CELLS();
    // Rows r = -1, 0, 1 start at indices 108 (q = -8), 126 (q = -9) and 145 (q = -9).
    const std::array<std::int32_t, 6> expected = {136, 134, 154, 116, 117, 153};
    EXPECT_EQ(plate[135].neighbours, expected);
    const std::array<std::pair<float, float>, 6> towards = {
        {{1, 0}, {-1, 0}, {0.5f, 1}, {-0.5f, -1}, {0.5f, -1}, {-0.5f, 1}}};
    for (std::size_t side = 0; side < 6; ++side) {
        SCOPED_TRACE(side);
        const HexCell& n = plate[static_cast<std::size_t>(plate[135].neighbours[side])];
        EXPECT_NEAR(std::hypot(n.x, n.y), 0.4330127f, 1e-6f);
        EXPECT_GT(n.x * towards[side].first + n.y * towards[side].second, 0.0f);
    }
}

TEST(Plate, NeighbourCountsAndLinksAreMutual) {
    const auto plate = CELLS();
    std::array<std::size_t, 7> by_count{};
    for (std::size_t i = 0; i < plate.size(); ++i) {
        ++by_count[valid_neighbours(plate[i])];
        for (std::size_t side = 0; side < 6; ++side) {
            const std::int32_t n = plate[i].neighbours[side];
            if (n < 0) continue;
            // Opposite slots pair up: 0-1, 2-3, 4-5.
            const std::size_t back = side ^ 1u;
            EXPECT_EQ(plate[static_cast<std::size_t>(n)].neighbours[back],
                      static_cast<std::int32_t>(i));
        }
    }
    EXPECT_EQ(by_count[6], 217u);
    EXPECT_EQ(by_count[4], 48u);
    EXPECT_EQ(by_count[3], 6u);
}

TEST(Plate, CornerCellKeepsItsEmptySlots) {
    // The first cell (q, r) = (0, -9) is a corner: nothing below it and nothing to its west.
    // Row r = -8 starts at index 10 with q = -1.
    const HexCell& corner = CELLS()[0];
    const std::array<std::int32_t, 6> expected = {1, -1, 11, -1, -1, 10};
    EXPECT_EQ(corner.neighbours, expected);
}

TEST(Plate, SpansTheHexagon) {
    const auto plate = CELLS();
    float max_x = 0.0f;
    float max_y = 0.0f;
    for (const HexCell& c : plate) {
        max_x = std::max(max_x, std::fabs(c.x));
        max_y = std::max(max_y, std::fabs(c.y));
    }
    EXPECT_EQ(max_x, 3.897114f);
    EXPECT_EQ(max_y, 3.375f);
}

}  // namespace
}  // namespace ondrix_engine::chaos::cells
