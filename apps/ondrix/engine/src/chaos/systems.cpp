// Small dynamical systems: a double pendulum, the Lorenz system and a set of random walks.

#include <cmath>

#include "chaos/rules.hpp"

namespace ondrix_engine::chaos::detail {
namespace {

constexpr double pi_f64 = 3.141592653589793;

// Sub-steps for a simulated time T of at most `longest` each, within [1, cap].
std::size_t sub_steps(double simulated, double longest, std::size_t cap) {
    return std::clamp<std::size_t>(to_count(std::ceil(simulated / longest)), 1, cap);
}

struct PendulumState {
    double angle1;
    double angle2;
    double speed1;
    double speed2;

    PendulumState plus(const PendulumState& slope, double h) const {
        return {angle1 + slope.angle1 * h, angle2 + slope.angle2 * h, speed1 + slope.speed1 * h,
                speed2 + slope.speed2 * h};
    }
};

// Time derivative of the pendulum: arms of length 1, equal masses, gravity 9.81 turned by tilt.
PendulumState slope(const PendulumState& s, double tilt) {
    const double phi1 = s.angle1 - tilt;
    const double phi2 = s.angle2 - tilt;
    const double delta = phi1 - phi2;
    const double denom = 3.0 - std::cos(2.0 * delta);
    const double sin_delta = std::sin(delta);
    const double cos_delta = std::cos(delta);
    const double w1 = s.speed1 * s.speed1;
    const double w2 = s.speed2 * s.speed2;
    const double accel1 = (-29.43 * std::sin(phi1) - 9.81 * std::sin(phi1 - 2.0 * phi2) -
                           2.0 * sin_delta * (w2 + w1 * cos_delta)) /
                          denom;
    const double accel2 =
        2.0 * sin_delta * (2.0 * w1 + 19.62 * std::cos(phi1) + w2 * cos_delta) / denom;
    return {s.speed1, s.speed2, accel1, accel2};
}

// (theta + pi) mod 2 pi, into [0, 2 pi), less pi.
double wrap_angle(double theta) {
    double r = std::fmod(theta + pi_f64, 2.0 * pi_f64);
    if (r < 0.0) r += 2.0 * pi_f64;
    return r - pi_f64;
}

bool finite(const Chaos::Pendulum& p) {
    return std::isfinite(p.angle1) && std::isfinite(p.angle2) && std::isfinite(p.speed1) &&
           std::isfinite(p.speed2) && std::isfinite(p.energy);
}

// What the energy control needs of the step length: the tracking's blend 1 - 0.9992^ticks and
// the limit 1.015^(ticks / 8) with its inverse, ticks being the step in 48 kHz samples.
struct EnergyPowers {
    double blend;
    double limit;
    double inverse_limit;
};

EnergyPowers energy_powers_of(float dt) {
    const double ticks = static_cast<double>(dt) * 48000.0;
    const double limit = std::pow(1.015, ticks * 0.125);
    return {1.0 - std::pow(0.9992, ticks), limit, 1.0 / limit};
}

// The engine always steps by 1 ms: its powers are worked out once, when the library loads.
const EnergyPowers per_tick_powers = energy_powers_of(0.001f);

EnergyPowers energy_powers(float dt) {
    return dt == 0.001f ? per_tick_powers : energy_powers_of(dt);
}

// Jumps of the walks handled in one call at most; past it the backlog is dropped, so that an
// absurd rate cannot stall the audio thread.
constexpr int max_jumps = 64;

float shrink_far(float v) {
    return std::fabs(v) > 0.8f ? v * 0.9f : v;
}

}  // namespace

Taps step_pendulum(Chaos::Pendulum& p, const Inputs& in) {
    const auto simulated = static_cast<double>(in.rate * in.dt * 4.0f);
    const std::size_t n = sub_steps(simulated, 0.004, 16);
    const double h = simulated / static_cast<double>(n);
    const auto tilt = static_cast<double>((in.b - 0.5f) * pi);

    PendulumState s{p.angle1, p.angle2, p.speed1, p.speed2};
    for (std::size_t i = 0; i < n; ++i) {
        const PendulumState k1 = slope(s, tilt);
        const PendulumState k2 = slope(s.plus(k1, h / 2.0), tilt);
        const PendulumState k3 = slope(s.plus(k2, h / 2.0), tilt);
        const PendulumState k4 = slope(s.plus(k3, h), tilt);
        const double sixth = h / 6.0;
        s.angle1 += (((k1.angle1 + 2.0 * k2.angle1) + 2.0 * k3.angle1) + k4.angle1) * sixth;
        s.angle2 += (((k1.angle2 + 2.0 * k2.angle2) + 2.0 * k3.angle2) + k4.angle2) * sixth;
        s.speed1 += (((k1.speed1 + 2.0 * k2.speed1) + 2.0 * k3.speed1) + k4.speed1) * sixth;
        s.speed2 += (((k1.speed2 + 2.0 * k2.speed2) + 2.0 * k3.speed2) + k4.speed2) * sixth;
    }
    p.angle1 = s.angle1;
    p.angle2 = s.angle2;
    p.speed1 = s.speed1;
    p.speed2 = s.speed2;

    // Track the energy and steer it towards the level that a asks for.
    const EnergyPowers powers = energy_powers(in.dt);
    p.energy += (p.speed1 * p.speed1 + p.speed2 * p.speed2 - p.energy) * powers.blend;
    const double wanted = static_cast<double>(in.a) * 13.7 + 0.3;
    const double factor = std::clamp(std::pow(wanted / std::fmax(p.energy, 1e-6), 0.6 * simulated),
                                     powers.inverse_limit, powers.limit);
    p.speed1 = std::clamp(p.speed1 * factor, -60.0, 60.0);
    p.speed2 = std::clamp(p.speed2 * factor, -60.0, 60.0);

    // A blown-up state (the energy included, which would otherwise stay broken) starts over.
    if (!finite(p)) {
        p = Chaos::Pendulum{2.6, 2.7, 0.0, 0.0, 1.0};
        return {0.0f, 0.0f, 0.0f, 0.0f};
    }

    return {static_cast<float>((std::sin(p.angle1) + std::sin(p.angle2)) * 0.5),
            static_cast<float>(-(std::cos(p.angle1) + std::cos(p.angle2)) * 0.5),
            static_cast<float>(wrap_angle(p.angle1) / pi_f64),
            static_cast<float>(wrap_angle(p.angle2) / pi_f64)};
}

Taps step_lorenz(Chaos::Lorenz& l, const Inputs& in) {
    const double rho = static_cast<double>(in.a) * 26.0 + 14.0;
    const double beta = static_cast<double>(in.b) * 3.0 + 1.2;
    const double sigma = 10.0;

    const auto simulated = static_cast<double>(in.rate * in.dt * 2.0f);
    const std::size_t n = sub_steps(simulated, 0.002, 32);
    const double h = simulated / static_cast<double>(n);
    double dx = 0.0;
    double dy = 0.0;
    double dz = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        dx = sigma * (l.y - l.x);
        dy = l.x * (rho - l.z) - l.y;
        dz = l.x * l.y - beta * l.z;
        l.x += h * dx;
        l.y += h * dy;
        l.z += h * dz;
    }
    const double velocity = std::sqrt(dx * dx + dy * dy + dz * dz);

    if (!std::isfinite(l.x) || !std::isfinite(l.y) || !std::isfinite(l.z) ||
        std::fabs(l.x) > 10000.0) {
        l.x = 1.0;
        l.y = 1.0;
        l.z = 1.0;
    }
    l.speed += (velocity - l.speed) * 0.05;
    // The derivatives of a blown-up step may not be numbers; the speed would keep that for good.
    if (!std::isfinite(l.speed)) l.speed = 0.0;

    return {clamp_tap(static_cast<float>(l.x / 20.0)), clamp_tap(static_cast<float>(l.y / 27.0)),
            clamp_tap(static_cast<float>((l.z - rho) / std::fmax(rho, 1.0))),
            clamp_tap(static_cast<float>(l.speed / 120.0 - 1.0))};
}

Taps step_wander(Chaos::Wander& w, std::uint32_t& rng, const Inputs& in) {
    w.clock += in.dt * in.rate;
    const float stride = in.a * 0.45f + 0.05f;
    const float keep = 1.0f - in.b * 0.3f;
    for (int jumps = 0; w.clock >= 1.0f; ++jumps) {
        if (jumps == max_jumps) {
            w.clock = 0.0f;
            break;
        }
        const float g0 = signed_draw(rng);
        std::array<float, 4> g;
        for (float& gk : g) gk = signed_draw(rng);
        const float common = shrink_far((g0 * stride + w.common) * keep);
        std::array<float, 4> walks;
        for (std::size_t k = 0; k < 4; ++k)
            walks[k] = shrink_far((g[k] * stride + w.walks[k]) * keep);
        w.clock -= 1.0f;
        w.common = std::clamp(common, -1.0f, 1.0f);
        for (std::size_t k = 0; k < 4; ++k) w.walks[k] = std::clamp(walks[k], -1.0f, 1.0f);
    }

    const float glide = 1.0f - std::exp(-4.0f * std::fmax(in.rate, 0.05f) * in.dt);
    for (std::size_t k = 0; k < 4; ++k) {
        const float target = (1.0f - in.spread) * w.common + in.spread * w.walks[k];
        w.outputs[k] += (target - w.outputs[k]) * glide;
    }
    return w.outputs;
}

}  // namespace ondrix_engine::chaos::detail
