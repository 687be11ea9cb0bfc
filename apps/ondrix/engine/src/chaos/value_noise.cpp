#include "chaos/value_noise.hpp"

#include <cmath>
#include <limits>

namespace ondrix_engine::chaos {
namespace {

// 6t^5 - 15t^4 + 10t^3, in the order that fixes its rounding.
float fade(float t) {
    return ((t * 6.0f - 15.0f) * t + 10.0f) * (t * t * t);
}

float lerp(float p, float q, float u) {
    return (q - p) * u + p;
}

// Float to i32, saturating at the ends of the range, NaN giving 0.
std::int32_t to_lattice(float v) {
    if (std::isnan(v)) return 0;
    if (v <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    if (v >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

float corner(std::uint32_t i, std::uint32_t j, std::uint32_t k) {
    std::uint32_t h = (i * 0x8da6b343u) ^ (j * 0xd8163841u) ^ (k * 0xcb1ab31fu);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xffffu) / 32767.5f - 1.0f;
}

}  // namespace

float lattice_value(std::int32_t i, std::int32_t j, std::int32_t k) {
    return corner(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j),
                  static_cast<std::uint32_t>(k));
}

float value_noise(float x, float y, float z) {
    const float xf = std::floor(x);
    const float yf = std::floor(y);
    const float zf = std::floor(z);
    const float ux = fade(x - xf);
    const float uy = fade(y - yf);
    const float uz = fade(z - zf);

    // Unsigned, so that the step to the next lattice point wraps.
    const auto i = static_cast<std::uint32_t>(to_lattice(xf));
    const auto j = static_cast<std::uint32_t>(to_lattice(yf));
    const auto k = static_cast<std::uint32_t>(to_lattice(zf));

    const float x00 = lerp(corner(i, j, k), corner(i + 1, j, k), ux);
    const float x10 = lerp(corner(i, j + 1, k), corner(i + 1, j + 1, k), ux);
    const float x01 = lerp(corner(i, j, k + 1), corner(i + 1, j, k + 1), ux);
    const float x11 = lerp(corner(i, j + 1, k + 1), corner(i + 1, j + 1, k + 1), ux);
    const float y0 = lerp(x00, x10, uy);
    const float y1 = lerp(x01, x11, uy);
    return lerp(y0, y1, uz);
}

}  // namespace ondrix_engine::chaos
