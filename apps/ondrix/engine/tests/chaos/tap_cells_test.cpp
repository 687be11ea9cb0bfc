#include "chaos/tap_cells.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "chaos/rng.hpp"

namespace ondrix_engine::chaos::cells {
namespace {

void expect_same_cells(float spread) {
    for (std::size_t tap = 0; tap < 4; ++tap) {
        const std::size_t full = tap_cell_by_full_scan(tap, spread);
        const std::size_t listed = tap_cell(tap, spread);
        if (listed != full) {
            ADD_FAILURE() << "tap " << tap << " spread " << spread << " (0x" << std::hex
                          << std::bit_cast<std::uint32_t>(spread) << std::dec << "): listed "
                          << listed << ", full scan " << full;
        }
    }
}

// Every spread step of 2^-20 and 200,000 random spreads, each as a draw and as a bit pattern.
TEST(TapCells, ListsChooseWhatTheFullScanChooses) {
    for (std::uint32_t step = 0; step <= (1u << 20); ++step) {
        expect_same_cells(static_cast<float>(step) * 0x1p-20f);
        if (::testing::Test::HasFailure()) return;
    }
    std::uint32_t rng = 0x5eedu;
    for (int n = 0; n < 200000; ++n) {
        expect_same_cells(unit_draw(rng));
        // Every bit pattern of [0, 1], tiny and subnormal spreads included.
        expect_same_cells(std::bit_cast<float>(next_u32(rng) % 0x3f800001u));
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(TapCells, SpreadsOffTheRaysTakeTheFullScan) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float spread : {-0.0f, -1e-30f, -0.5f, 1.0000001f, 1.5f, 40.0f, inf, -inf,
                         std::numeric_limits<float>::quiet_NaN()}) {
        expect_same_cells(spread);
    }
    // The known cells: the centre at spread 0, the four outer cells at spread 1, and cell 0 when
    // every distance is NaN.
    EXPECT_EQ(tap_cell(0, 0.0f), 135u);
    EXPECT_EQ(tap_cell(2, -0.0f), 135u);
    const std::size_t at_one[] = {194, 252, 76, 18};
    for (std::size_t tap = 0; tap < 4; ++tap) EXPECT_EQ(tap_cell(tap, 1.0f), at_one[tap]);
    EXPECT_EQ(tap_cell(1, std::numeric_limits<float>::quiet_NaN()), 0u);
}

}  // namespace
}  // namespace ondrix_engine::chaos::cells
