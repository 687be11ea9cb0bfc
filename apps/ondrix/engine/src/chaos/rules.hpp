#pragma once

// The update rules behind `Chaos::step`, one per variant, and what they share. Internal to the
// chaos library.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "chaos/chaos.hpp"

namespace ondrix_engine::chaos::detail {

// What one tick hands to a rule; rate is already at least 0.
struct Inputs {
    float dt;
    float rate;
    float a;
    float b;
    float spread;
    float phase;
};

using Taps = std::array<float, 4>;

inline constexpr float pi = 3.14159274f;
inline constexpr float two_pi = 6.28318548f;

// The unit directions (cos, sin) of 0.4 + k * pi / 2 along which the taps of drift, flow, cells,
// rain and wave are laid out, as fixed single-precision values.
struct Direction {
    float x;
    float y;
};
inline constexpr std::array<Direction, 4> tap_directions = {{
    {0.921060979f, 0.389418334f},
    {-0.389418364f, 0.921060979f},
    {-0.92106092f, -0.389418513f},
    {0.389418453f, -0.921060979f},
}};

// A non-negative whole count from v: NaN and negative values give 0, values past the range
// saturate.
template <typename Real>
std::size_t to_count(Real v) {
    if (!(v > Real(0))) return 0;
    constexpr auto top = static_cast<Real>(std::numeric_limits<std::size_t>::max());
    if (v >= top) return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(v);
}

// Clamps a tap to [-1, 1].
inline float clamp_tap(float v) {
    return std::clamp(v, -1.0f, 1.0f);
}

// Builds the tables the ponds share (once per process), so that no step has to. May allocate.
void prepare_pond();

Taps step_noise(Chaos::Noise& noise, const Inputs& in);
Taps step_cells(Chaos::Cells& cells, const Inputs& in);
Taps step_pond(Chaos::Pond& pond, std::uint32_t& rng, const Inputs& in);
Taps step_pendulum(Chaos::Pendulum& pendulum, const Inputs& in);
Taps step_lorenz(Chaos::Lorenz& lorenz, const Inputs& in);
Taps step_wander(Chaos::Wander& wander, std::uint32_t& rng, const Inputs& in);

}  // namespace ondrix_engine::chaos::detail
