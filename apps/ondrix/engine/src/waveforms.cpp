#include "waveforms.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "numeric.hpp"

namespace ondrix_engine::waveforms {

using numeric::at_least;
using numeric::at_most;
using numeric::clamp;
using numeric::frac;

Controls Controls::from(float a, float b) {
    Controls c;
    c.a = a;
    c.b = b;
    c.skew = clamp(a, 0.01f, 0.99f);
    c.levels = at_least(numeric::round(16.0f - 14.0f * b), 2.0f);
    c.morph_steps = numeric::round(14.0f * b + 2.0f);
    c.quantized = b >= 0.02f;
    return c;
}

float wrap(float tp, float skew) {
    if (tp < skew) return 0.5f * tp / skew;
    return 0.5f + 0.5f * (tp - skew) / (1.0f - skew);
}

float curve(float x, float e) {
    const float base = clamp((x + 1.0f) * 0.5f, 0.0f, 1.0f);
    // pow(base, 1) is base exactly; skip the library call for the common straight curve.
    return 2.0f * (e == 1.0f ? base : std::pow(base, e)) - 1.0f;
}

float stair(float x, float levels) {
    float step =
        at_most(numeric::floor(clamp((x + 1.0f) * 0.5f, 0.0f, 1.0f) * levels), levels - 1.0f);
    return step / (levels - 1.0f) * 2.0f - 1.0f;
}

float sine(float tp, const Controls& c) {
    float s = std::sin(TWO_PI * wrap(tp, c.skew));
    float y = s * (1.0f + 4.0f * c.b) + 1.0f;
    float m = numeric::remainder4(y);
    if (m < 0.0f) m += 4.0f;
    return 1.0f - std::fabs(m - 2.0f);
}

float triangle_curve(const Controls& c) {
    return std::exp2(4.0f * c.b - 2.0f);
}

float saw_curve(const Controls& c) {
    return std::exp2(4.0f * c.a - 2.0f);
}

float triangle(float tp, const Controls& c, float exponent) {
    float q = frac(wrap(tp, c.skew) + 0.25f);
    float t = q < 0.5f ? 4.0f * q - 1.0f : 3.0f - 4.0f * q;
    return curve(t, exponent);
}

float triangle(float tp, const Controls& c) {
    return triangle(tp, c, triangle_curve(c));
}

float saw(float tp, const Controls& c, float exponent) {
    float v = curve(2.0f * tp - 1.0f, exponent);
    return c.quantized ? stair(v, c.levels) : v;
}

float saw(float tp, const Controls& c) {
    return saw(tp, c, saw_curve(c));
}

float square(float tp, const Controls& c) {
    if (c.b == 0.0f) return tp < c.skew ? 1.0f : -1.0f;
    float d = std::min({tp, 1.0f - tp, std::fabs(tp - c.skew)});
    float h = at_most(d / (0.1f * c.b), 1.0f);
    return tp < c.skew ? h : -h;
}

float sample_hold(float to, const Controls& c) {
    return c.quantized ? stair(to, c.levels) : to;
}

float smooth_random(float tp, float from, float to) {
    return from + (to - from) * (0.5f - 0.5f * std::cos(PI * tp));
}

namespace {

// The six waves that morph blends, all on the unwarped phase.
float morph_wave(int index, float tp, float steps_n, const std::array<float, 16>& steps) {
    switch (index) {
        case 0:
            return std::sin(TWO_PI * tp);
        case 1: {
            float q = frac(tp + 0.25f);
            return q < 0.5f ? 4.0f * q - 1.0f : 3.0f - 4.0f * q;
        }
        case 2:
            return 2.0f * tp - 1.0f;
        case 3:
            return tp < 0.5f ? 1.0f : -1.0f;
        case 4:
            return numeric::floor(steps_n * tp) / at_least(steps_n - 1.0f, 1.0f) * 2.0f - 1.0f;
        default: {
            float k = at_most(numeric::trunc(steps_n * tp), 15.0f);
            return steps[static_cast<std::size_t>(at_least(k, 0.0f))];
        }
    }
}

}  // namespace

float morph(float tp, const Controls& c, const std::array<float, 16>& steps) {
    float m6 = 6.0f * frac(c.a);
    float whole = numeric::floor(m6);
    int i0 = static_cast<int>(whole) % 6;
    int i1 = (static_cast<int>(whole) + 1) % 6;
    float f = m6 - whole;
    float w0 = morph_wave(i0, tp, c.morph_steps, steps);
    float w1 = morph_wave(i1, tp, c.morph_steps, steps);
    return clamp(w0 * (1.0f - f) + w1 * f, -1.0f, 1.0f);
}

float drawn(float tp, const Controls& c, std::span<const float> table) {
    float v = 0.0f;
    if (!table.empty()) {
        std::size_t n = table.size();
        float x = static_cast<float>(n) * tp;
        std::size_t i0 = static_cast<std::size_t>(at_least(numeric::trunc(x), 0.0f));
        if (i0 > n - 1) i0 = n - 1;
        std::size_t i1 = i0 + 1 == n ? 0 : i0 + 1;
        float f = x - static_cast<float>(i0);
        float wt;
        if (c.a < 0.5f) {
            wt = c.a == 0.0f ? 0.0f : clamp((f - (1.0f - 2.0f * c.a)) / (2.0f * c.a), 0.0f, 1.0f);
        } else {
            float smooth = 0.5f - 0.5f * std::cos(PI * f);
            wt = f + (smooth - f) * (2.0f * c.a - 1.0f);
        }
        v = clamp(table[i0] + (table[i1] - table[i0]) * wt, -1.0f, 1.0f);
    }
    return c.quantized ? stair(v, c.levels) : v;
}

}  // namespace ondrix_engine::waveforms
