#include "chaos/value_noise.hpp"

#include <array>
#include <cmath>
#include <cstddef>
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

constexpr std::uint32_t hash_x = 0x8da6b343u;
constexpr std::uint32_t hash_y = 0xd8163841u;
constexpr std::uint32_t hash_z = 0xcb1ab31fu;

// A lattice point's value from the sum of its coordinates' hash terms.
float corner_value(std::uint32_t h) {
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xffffu) / 32767.5f - 1.0f;
}

float corner(std::uint32_t i, std::uint32_t j, std::uint32_t k) {
    return corner_value((i * hash_x) ^ (j * hash_y) ^ (k * hash_z));
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

    // The hash terms at the cell's near and far sides: (n + 1) x c is n x c + c, wrapping.
    const std::uint32_t x0 = i * hash_x;
    const std::uint32_t x1 = x0 + hash_x;
    const std::uint32_t y0 = j * hash_y;
    const std::uint32_t y1 = y0 + hash_y;
    const std::uint32_t z0 = k * hash_z;
    const std::uint32_t z1 = z0 + hash_z;
    // The eight corners, x fastest, all worked out alike so that they can go side by side.
    const std::array<std::uint32_t, 8> hashes = {
        x0 ^ y0 ^ z0, x1 ^ y0 ^ z0, x0 ^ y1 ^ z0, x1 ^ y1 ^ z0,
        x0 ^ y0 ^ z1, x1 ^ y0 ^ z1, x0 ^ y1 ^ z1, x1 ^ y1 ^ z1,
    };
    std::array<float, 8> c;
    for (std::size_t n = 0; n < 8; ++n) c[n] = corner_value(hashes[n]);

    const float x00 = lerp(c[0], c[1], ux);
    const float x10 = lerp(c[2], c[3], ux);
    const float x01 = lerp(c[4], c[5], ux);
    const float x11 = lerp(c[6], c[7], ux);
    const float near = lerp(x00, x10, uy);
    const float far = lerp(x01, x11, uy);
    return lerp(near, far, uz);
}

}  // namespace ondrix_engine::chaos
