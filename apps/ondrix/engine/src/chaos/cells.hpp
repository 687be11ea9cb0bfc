#pragma once

#include <array>
#include <cstdint>
#include <span>

// The hexagonal plate that the ripple ponds run on: 271 cells in a hexagon of radius 9 around
// the centre cell, listed row by row from the bottom, left to right within a row.
namespace ondrix_engine::chaos::cells {

// One cell of the plate. Immutable once built; shared read-only by every thread.
struct HexCell {
    // Indices into CELLS of the adjacent cells at axial steps (q + 1, r), (q - 1, r), (q, r + 1),
    // (q, r - 1), (q + 1, r - 1), (q - 1, r + 1), in this order; -1 where the plate ends.
    std::array<std::int32_t, 6> neighbours;
    float x;  // centre, in plate units
    float y;

    bool operator==(const HexCell&) const = default;
};

// The plate, built on the first call from any thread (concurrent first callers wait for one
// builder) and read without locking afterwards. Shared by all engines of the process.
std::span<const HexCell> CELLS();

}  // namespace ondrix_engine::chaos::cells
