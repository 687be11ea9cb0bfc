#include "chaos/chaos.hpp"

#include <cmath>

#include "chaos/cells.hpp"
#include "chaos/rules.hpp"

namespace ondrix_engine::chaos {
namespace {

constexpr std::uint8_t kind_rain = 3;
constexpr std::uint8_t kind_wave = 4;
constexpr std::uint8_t kind_cells = 5;
constexpr std::uint8_t kind_pendulum = 6;
constexpr std::uint8_t kind_lorenz = 7;
constexpr std::uint8_t kind_wander = 8;

// The starting state of a generator of the kind for the seed.
Chaos::Variant starting_state(std::uint8_t kind, std::uint32_t seed) {
    switch (kind) {
        case kind_rain:
        case kind_wave: {
            Chaos::Pond pond;
            pond.wave = kind == kind_wave;
            const std::size_t cells = cells::CELLS().size();
            detail::prepare_pond();
            pond.current.assign(cells, 0.0f);
            pond.previous.assign(cells, 0.0f);
            pond.next.assign(cells, 0.0f);
            return pond;
        }
        case kind_cells: {
            Chaos::Cells c;
            c.rng = Rng(seed * 7919u ^ 0x2545f491u);
            return c;
        }
        case kind_pendulum:
            return Chaos::Pendulum{2.6, 2.7, 0.0, 0.0, 1.0};
        case kind_lorenz:
            return Chaos::Lorenz{static_cast<double>(seed) * 0.01 + 1.0, 1.0, 1.0, 0.0};
        case kind_wander:
            return Chaos::Wander{};
        default: {
            // 0 drift, 1 flow, 2 spin; kinds past 8 are never asked for and read as drift.
            Chaos::Noise noise;
            noise.motion = kind <= 2 ? kind : 0;
            noise.centre_x = static_cast<float>(seed % 7) * 1.7f + 0.3f;
            noise.centre_y = static_cast<float>(seed % 5) * 2.3f + 0.6f;
            return noise;
        }
    }
}

}  // namespace

Chaos::Chaos(std::uint8_t kind, std::uint32_t seed) : state_(starting_state(kind, seed)) {}

void Chaos::restart(std::uint32_t seed) {
    if (auto* pond = std::get_if<Pond>(&state_)) {
        // Flattened in place: no allocation, and the tap cells stay chosen.
        std::fill(pond->current.begin(), pond->current.end(), 0.0f);
        std::fill(pond->previous.begin(), pond->previous.end(), 0.0f);
        pond->clock = 0.0f;
        pond->drops = 0.0f;
        return;
    }
    state_ = starting_state(kind(), seed);
}

std::array<float, 4> Chaos::step(std::uint32_t& rng, float dt, float rate, float a, float b,
                                 float spread, float phase) {
    // A negative rate stands still; so does one that is not a number or not finite, which no
    // rule could follow.
    if (!(rate > 0.0f) || std::isinf(rate)) rate = 0.0f;
    const detail::Inputs in{dt, rate, a, b, spread, phase};
    return std::visit(
        [&](auto& s) -> detail::Taps {
            using S = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<S, Noise>) return detail::step_noise(s, in);
            if constexpr (std::is_same_v<S, Pond>) return detail::step_pond(s, rng, in);
            if constexpr (std::is_same_v<S, Cells>) return detail::step_cells(s, in);
            if constexpr (std::is_same_v<S, Pendulum>) return detail::step_pendulum(s, in);
            if constexpr (std::is_same_v<S, Lorenz>) return detail::step_lorenz(s, in);
            if constexpr (std::is_same_v<S, Wander>) return detail::step_wander(s, rng, in);
        },
        state_);
}

std::uint8_t Chaos::kind() const {
    switch (state_.index()) {
        case 0: {
            const std::uint8_t motion = std::get<Noise>(state_).motion;
            return motion <= 2 ? motion : 0;  // an unknown motion steps as drift
        }
        case 1:
            return std::get<Pond>(state_).wave ? kind_wave : kind_rain;
        case 2:
            return kind_cells;
        case 3:
            return kind_pendulum;
        case 4:
            return kind_lorenz;
        default:
            return kind_wander;
    }
}

}  // namespace ondrix_engine::chaos
