#pragma once

#include <cstddef>

// Which cell of the plate a pond tap reads: the cell nearest to the point 3.2 x spread along the
// tap's direction, by single-precision squared distance, the lowest index winning a tie.
namespace ondrix_engine::chaos::cells {

// The nearest cell to tap `tap` (0-3) at `spread`. For a spread in [0, 1] only the few cells that
// can be nearest somewhere on that stretch of the tap's ray are measured; any other spread (NaN
// included) is measured against every cell. Either way the answer is the one the full scan gives.
// Builds its lists on first use (see `prepare_tap_cells`); allocates nothing afterwards.
std::size_t tap_cell(std::size_t tap, float spread);

// The same answer from a scan of every cell, for comparison.
std::size_t tap_cell_by_full_scan(std::size_t tap, float spread);

// Builds the per-tap lists now, so that no later call pays for it. Thread-safe; may allocate.
void prepare_tap_cells();

}  // namespace ondrix_engine::chaos::cells
