#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "chaos/rng.hpp"

namespace ondrix_engine::chaos {

// The chaos generator of one source: a moving noise field, a ripple pond, drifting cells, a
// double pendulum, the Lorenz system or a set of random walks. Kinds, as the engine numbers
// them: 0 drift, 1 flow, 2 spin (Noise), 3 rain, 4 wave (Pond), 5 cells, 6 pendulum, 7 lorenz,
// 8 wander.
//
// Thread: the audio thread that steps the owning engine. Owner: the source's running state.
// Only creating a pond allocates; `restart` and `step` never do.
class Chaos {
  public:
    // Drift, flow and spin: four readings of a moving value-noise field.
    struct Noise {
        std::uint8_t motion = 0;  // 0 drift, 1 flow, 2 spin
        float centre_x = 0.0f;
        float centre_y = 0.0f;
        float offset_x = 0.0f;
        float offset_y = 0.0f;
        double time = 0.0;

        bool operator==(const Noise&) const = default;
    };

    // Rain and wave: ripples on the hexagonal plate.
    struct Pond {
        bool wave = false;         // false rain, true wave
        float clock = 0.0f;        // fraction of a propagation step, in [0, 1)
        float drops = 0.0f;        // events due, accumulated
        float tap_spread = -1.0f;  // the spread the tap cells were chosen for; -1 before any
        std::array<std::size_t, 4> tap_cells{};  // indices into the plate
        std::vector<float> current;              // heights now, one per cell
        std::vector<float> previous;             // heights one propagation step earlier
        std::vector<float> next;                 // scratch for the step being computed

        bool operator==(const Pond&) const = default;
    };

    // Cells: the distance from each tap to the nearest of up to 16 drifting particles.
    struct Cells {
        static constexpr std::size_t max_particles = 16;

        float time = 0.0f;
        Rng rng{1};
        std::size_t count = 0;  // particles in use; 0 until first seeded
        std::array<float, max_particles> x{};
        std::array<float, max_particles> y{};
        std::array<float, max_particles> heading{};

        bool operator==(const Cells&) const = default;
    };

    // A double pendulum with equal arms and masses.
    struct Pendulum {
        double angle1 = 0.0;
        double angle2 = 0.0;
        double speed1 = 0.0;  // angular speeds
        double speed2 = 0.0;
        double energy = 0.0;  // smoothed sum of the squared angular speeds

        bool operator==(const Pendulum&) const = default;
    };

    // The Lorenz system.
    struct Lorenz {
        double x = 0.0;
        double y = 0.0;
        double z = 0.0;
        double speed = 0.0;  // smoothed magnitude of the derivative

        bool operator==(const Lorenz&) const = default;
    };

    // Four smoothed random walks around a common walk.
    struct Wander {
        float common = 0.0f;
        float clock = 0.0f;
        std::array<float, 4> walks{};
        std::array<float, 4> outputs{};

        bool operator==(const Wander&) const = default;
    };

    using Variant = std::variant<Noise, Pond, Cells, Pendulum, Lorenz, Wander>;

    // A fresh generator of the kind (0-8) for the given seed (the engine passes source index + 1).
    Chaos(std::uint8_t kind, std::uint32_t seed);

    // Takes a generator state as it stands; for tests and tools that need a particular state.
    template <typename State>
    requires std::is_constructible_v<Variant, State&&>
    explicit Chaos(State&& state) : state_(std::forward<State>(state)) {}

    // Returns to the starting state. A pond is flattened in place and keeps its tap cells; every
    // other variant becomes what the (kind, seed) constructor makes of its kind and this seed.
    void restart(std::uint32_t seed);

    // Advances by one control tick and returns the four tap values, normally in [-1, 1].
    // rng: the engine's shared random state; dt: tick length in seconds; rate: speed in Hz (a
    // negative or non-finite rate counts as 0); a, b: the shape controls; spread: tap spread;
    // phase: the source's phase in cycles (only spin reads it).
    std::array<float, 4> step(std::uint32_t& rng, float dt, float rate, float a, float b,
                              float spread, float phase);

    // The kind this generator was made with (0-8).
    std::uint8_t kind() const;

    const Variant& state() const { return state_; }

    bool operator==(const Chaos&) const = default;

  private:
    Variant state_;
};

}  // namespace ondrix_engine::chaos
