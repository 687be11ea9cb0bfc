#pragma once

#include <cstdint>

// The 32-bit xorshift generator (shifts 13, 17, 5) and the draws taken from it. The free
// functions work on a bare state word, the form in which the engine keeps its shared random
// state; `Rng` wraps one such word for a generator that owns its own sequence.
namespace ondrix_engine::chaos {

// Advances the state by one xorshift step and returns the new state.
inline std::uint32_t next_u32(std::uint32_t& state) {
    std::uint32_t x = state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    state = x;
    return x;
}

// Maps a drawn word to [-1, 1): its top 24 bits scaled by 2^-24, doubled, less 1, in this order.
inline float signed_from_bits(std::uint32_t x) {
    float v = static_cast<float>(x >> 8) * 5.96046448e-08f;
    v = v + v;
    return v + -1.0f;
}

// One draw mapped to [-1, 1).
inline float signed_draw(std::uint32_t& state) {
    return signed_from_bits(next_u32(state));
}

// One draw mapped to [0, 1).
inline float unit_draw(std::uint32_t& state) {
    return (signed_draw(state) + 1.0f) * 0.5f;
}

// A generator with its own state, never 0. Value type; owned and touched by whoever holds it.
class Rng {
  public:
    // A zero seed would stick at zero forever, so it becomes 1.
    explicit Rng(std::uint32_t seed) : state_(seed == 0 ? 1u : seed) {}

    std::uint32_t next_u32() { return chaos::next_u32(state_); }
    float signed_draw() { return chaos::signed_draw(state_); }
    float unit_draw() { return chaos::unit_draw(state_); }

    std::uint32_t state() const { return state_; }

    bool operator==(const Rng&) const = default;

  private:
    std::uint32_t state_;
};

}  // namespace ondrix_engine::chaos
