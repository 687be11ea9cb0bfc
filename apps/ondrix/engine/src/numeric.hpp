#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>
#include <type_traits>

// Small numeric helpers shared by the source generators and the output stage. Every clamp and
// max lets a NaN fall to the lower bound, so one bad number in a patch or from the host cannot
// reach the MIDI values. frac and round give exactly what fmod and round of the C library give,
// without a library call in the common range.
namespace ondrix_engine::numeric {

// max(x, lo), where a NaN x gives lo.
inline float at_least(float x, float lo) {
    return x >= lo ? x : lo;
}

// min(x, hi).
inline float at_most(float x, float hi) {
    return x > hi ? hi : x;
}

// min(max(x, lo), hi), where a NaN x gives lo.
inline float clamp(float x, float lo, float hi) {
    return at_most(at_least(x, lo), hi);
}

// The remainder of x by 1 with the sign of x (as fmod gives it), plus 1 when it is negative.
template <std::floating_point T>
inline T frac(T x) {
    // Below 2^(mantissa bits) x may have a fraction, and its integer part fits Int exactly.
    using Int = std::conditional_t<std::is_same_v<T, float>, std::int32_t, std::int64_t>;
    constexpr T limit = static_cast<T>(Int{1} << (std::numeric_limits<T>::digits - 1));
    T r;
    if (std::fabs(x) < limit) {
        r = x - static_cast<T>(static_cast<Int>(x));  // exact
        if (r == T{0}) r = std::copysign(T{0}, x);
    } else {
        r = std::fmod(x, T{1});
    }
    return r < T{0} ? r + T{1} : r;
}

// The remainder of x by 4 with the sign of x, as fmod gives it.
inline float remainder4(float x) {
    if (!(std::fabs(x) < 8388608.0f)) return std::fmod(x, 4.0f);
    float r = x - 4.0f * static_cast<float>(static_cast<std::int32_t>(x * 0.25f));  // exact
    return r == 0.0f ? std::copysign(0.0f, x) : r;
}

// Whole part towards zero, as trunc gives it.
inline float trunc(float x) {
    if (!(std::fabs(x) < 8388608.0f)) return x;
    return std::copysign(static_cast<float>(static_cast<std::int32_t>(x)), x);
}

// Largest whole number not above x, as floor gives it.
inline float floor(float x) {
    float t = trunc(x);
    return t > x ? t - 1.0f : t;
}

// Nearest integer, halves away from zero.
inline float round(float x) {
    if (!(std::fabs(x) < 8388608.0f)) return x;  // already whole, or not a number
    float t = static_cast<float>(static_cast<std::int32_t>(x));
    float d = x - t;  // exact
    // Arithmetic rather than branches: the fraction is as good as random.
    t += static_cast<float>(d >= 0.5f) - static_cast<float>(d <= -0.5f);
    return std::copysign(t, x);
}

// round(x) held to 0..top, where top is a whole number below 2^23; a NaN gives 0. The same as
// clamp(round(x), 0, top), with less work: only the range the clamp keeps is rounded.
inline std::uint32_t round_to_level(float x, float top) {
    if (!(x > 0.0f)) return 0;  // not a number, negative or zero
    if (x >= top) return static_cast<std::uint32_t>(top);
    const auto whole = static_cast<std::uint32_t>(x);  // x < 2^23: exact
    return whole + (x - static_cast<float>(whole) >= 0.5f ? 1u : 0u);
}

}  // namespace ondrix_engine::numeric
