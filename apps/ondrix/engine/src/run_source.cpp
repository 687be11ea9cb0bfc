#include <cmath>
#include <cstddef>
#include <span>

#include "chaos/rng.hpp"
#include "engine.hpp"
#include "numeric.hpp"
#include "waveforms.hpp"

namespace ondrix_engine {

namespace {

using numeric::at_least;
using numeric::clamp;
using numeric::frac;

using settings::Param;

// Position of a route parameter in the per-source modulation sums.
constexpr std::size_t at(Param p) {
    return static_cast<std::size_t>(p);
}

constexpr float TICK = 0.001f;

using Kind = settings::Shape::Kind;

// Shapes whose taps come from a chaotic generator; without one they give 0.
bool runs_on_chaos(Kind kind) {
    return kind == Kind::Field || kind == Kind::Pendulum || kind == Kind::Lorenz ||
           kind == Kind::Wander;
}

// Reduces v to 2^bits - 1 levels spanning -1..1 (or 0..1 when unipolar).
float reduce_bits(float v, unsigned bits, bool unipolar) {
    const float levels = static_cast<float>((1u << bits) - 1u);
    const float lo = unipolar ? 0.0f : -1.0f;
    const float span = 1.0f - lo;
    return numeric::round((v - lo) / span * levels) / levels * span + lo;
}

}  // namespace

void Engine::run_source(std::size_t i, double beat_t, float beats_per_tick) {
    const settings::Source& s = patch_.sources[i];
    State& st = states_[i];

    // Route modulation: lower-numbered sources have run this tick, the rest not yet.
    std::array<float, RouteIndex::PARAMS> m{};
    if (routes_.drives_source(i)) {
        for (std::size_t p = 0; p < RouteIndex::PARAMS; ++p)
            m[p] = route_sum(routes_.into_source(i, p));
    }
    const float depth = clamp(s.depth + m[at(Param::Depth)], -1.0f, 1.0f);
    const float offset = s.offset + m[at(Param::Offset)];
    const float a = clamp(s.a + m[at(Param::A)], 0.0f, 1.0f);
    const float b = clamp(s.b + m[at(Param::B)], 0.0f, 1.0f);
    const float spread = clamp(s.spread + m[at(Param::Spread)], 0.0f, 1.0f);
    const float smooth = at_least(s.smooth + 2.0f * m[at(Param::Smooth)], 0.0f);
    const float rough = clamp(s.rough + m[at(Param::Rough)], 0.0f, 1.0f);

    // Two slow random drifts, used by roughness.
    st.wobble_pos += (static_cast<float>(i) * 0.13f + 0.7f) * TICK;
    if (st.wobble_pos >= 1.0f) {
        st.wobble_pos -= 1.0f;
        st.wobble[0] = st.wobble[1];
        st.wobble[1] = chaos::signed_draw(rng_);
        st.wobble[2] = st.wobble[3];
        st.wobble[3] = chaos::signed_draw(rng_);
    }
    // Without roughness the drifts only ever meet a factor of 0; the products below are then
    // zeros whose sign the tap values never show.
    float wob1 = 0.0f;
    float wob2 = 0.0f;
    if (rough > 0.0f) {
        const float w = 0.5f - 0.5f * std::cos(waveforms::PI * st.wobble_pos);
        wob1 = st.wobble[0] + (st.wobble[1] - st.wobble[0]) * w;
        wob2 = st.wobble[2] + (st.wobble[3] - st.wobble[2]) * w;
    }

    // Speed and phase. 2^0 is 1 exactly.
    const float exponent = 4.0f * m[at(Param::Rate)] + wob2 * rough * 0.35f;
    const float factor = exponent == 0.0f ? 1.0f : std::exp2(exponent);
    float speed;
    if (s.rate.mode == settings::Rate::Mode::Sync) {
        const float length = at_least(s.rate.value, 0.015625f);
        const auto hz = static_cast<float>(static_cast<double>(beats_per_tick) /
                                           static_cast<double>(length) * 1000.0);
        speed = factor * hz;
        if (m[at(Param::Rate)] == 0.0f && rough == 0.0f) {
            st.acc = beat_t / static_cast<double>(length);
        } else {
            st.acc += static_cast<double>(speed * TICK);
        }
    } else {
        speed = factor * at_least(s.rate.value, 0.0f);
        st.acc += static_cast<double>(speed * TICK);
    }
    st.acc = frac(st.acc);
    // An infinite rate would leave the phase at NaN for good; start the cycle over instead.
    if (!std::isfinite(st.acc)) st.acc = 0.0;
    const auto p = static_cast<float>(
        frac(static_cast<double>(m[at(Param::Phase)]) + (static_cast<double>(s.phase) + st.acc)));

    // Raw taps.
    SourceTaps raw{};
    const Kind kind = s.shape.kind();
    if (kind == Kind::CvIn) {
        const float gain = std::exp2(4.0f * b - 2.0f);
        const std::size_t channel = s.shape.get_if<settings::Shape::CvIn>()->channel;
        const float in = channel < CV_INPUT_COUNT ? cv_[channel] : 0.0f;
        const float x = clamp(gain * in, -1.0f, 1.0f);
        const float k = a > 0.0f ? 1.0f - std::exp(-TICK / (2.0f * a)) : 1.0f;
        st.cv_level += (x - st.cv_level) * k;
        raw = {x, -x, std::fabs(x), st.cv_level};
    } else if (st.chaos) {
        raw = st.chaos->step(rng_, TICK, speed, a, b, spread, p);
    } else if (!runs_on_chaos(kind)) {
        const waveforms::Controls c = waveforms::Controls::from(a, b);
        // Each tap in order: its phase, whether it starts a new cycle, then the shape's value.
        const auto each_tap = [&](auto&& value) {
            for (std::size_t k = 0; k < TAP_COUNT; ++k) {
                const float tp = frac(static_cast<float>(k) * spread * 0.25f + p);
                const bool new_cycle = st.last_phase[k] > tp && st.last_phase[k] - tp > 0.5f;
                st.last_phase[k] = tp;
                raw[k] = value(k, tp, new_cycle);
            }
        };
        // At a new cycle, a new random value with probability a (sampleHold, smoothRandom).
        const auto next_random = [&](Held& held) {
            const float u = (chaos::signed_draw(rng_) + 1.0f) * 0.5f;
            if (a >= u) {
                const float r2 = chaos::signed_draw(rng_);
                const float next =
                    kind == Kind::SampleHold ? r2 : held.to + (r2 - held.to) * at_least(b, 0.02f);
                held.from = held.to;
                held.to = next;
            } else {
                held.from = held.to;
            }
        };
        switch (kind) {
            case Kind::Sine:
                each_tap([&](std::size_t, float tp, bool) { return waveforms::sine(tp, c); });
                break;
            case Kind::Triangle: {
                // A curve's exponent is the same for every tap.
                const float curve = waveforms::triangle_curve(c);
                each_tap(
                    [&](std::size_t, float tp, bool) { return waveforms::triangle(tp, c, curve); });
                break;
            }
            case Kind::Saw: {
                const float curve = waveforms::saw_curve(c);
                each_tap([&](std::size_t, float tp, bool) { return waveforms::saw(tp, c, curve); });
                break;
            }
            case Kind::Square:
                each_tap([&](std::size_t, float tp, bool) { return waveforms::square(tp, c); });
                break;
            case Kind::SampleHold:
                each_tap([&](std::size_t k, float, bool new_cycle) {
                    if (new_cycle) next_random(st.held[k]);
                    return waveforms::sample_hold(st.held[k].to, c);
                });
                break;
            case Kind::SmoothRandom:
                each_tap([&](std::size_t k, float tp, bool new_cycle) {
                    if (new_cycle) next_random(st.held[k]);
                    return waveforms::smooth_random(tp, st.held[k].from, st.held[k].to);
                });
                break;
            case Kind::Morph:
                each_tap([&](std::size_t k, float tp, bool new_cycle) {
                    if (new_cycle && k == 0) {
                        for (float& step : st.steps) step = chaos::signed_draw(rng_);
                    }
                    return waveforms::morph(tp, c, st.steps);
                });
                break;
            case Kind::Drawn: {
                const std::span<const float> table =
                    s.shape.get_if<settings::Shape::Drawn>()->table;
                each_tap(
                    [&](std::size_t, float tp, bool) { return waveforms::drawn(tp, c, table); });
                break;
            }
            default:
                break;
        }
    }

    // Roughness, depth, offset and smoothing; the smoothing memory keeps unreduced values.
    const float k_s = smooth > 0.0f ? 1.0f - std::exp(-TICK / smooth) : 1.0f;
    const float jitter = rough * wob1 * 0.3f;
    SourceTaps out;
    for (std::size_t k = 0; k < TAP_COUNT; ++k) {
        float v = clamp(raw[k] + jitter, -1.0f, 1.0f);
        if (s.unipolar) v = (v + 1.0f) * 0.5f;
        v = v * depth + offset;
        if (st.started) v = st.last_out[k] + (v - st.last_out[k]) * k_s;
        if (std::fabs(v) < 1e-20f) v = 0.0f;
        // The smoothing memory never keeps an infinity or a NaN: they would never leave it.
        st.last_out[k] = std::isfinite(v) ? v : 0.0f;
        out[k] = v;
    }
    st.started = true;
    if (s.bits >= 1 && s.bits <= 23) {
        for (float& v : out) v = reduce_bits(v, s.bits, s.unipolar);
    }
    tap_sets_[0][i] = out;
}

}  // namespace ondrix_engine
