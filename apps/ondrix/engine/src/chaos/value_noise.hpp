#pragma once

#include <cstdint>

namespace ondrix_engine::chaos {

// The value in [-1, 1] that the integer lattice point (i, j, k) holds, from a wrapping hash of
// its coordinates.
float lattice_value(std::int32_t i, std::int32_t j, std::int32_t k);

// Three-dimensional value noise in [-1, 1]: the lattice values around (x, y, z) blended with a
// quintic fade, along x first, then y, then z. At a lattice point it is that point's value.
float value_noise(float x, float y, float z);

}  // namespace ondrix_engine::chaos
