#pragma once

#include <array>
#include <span>

// The waveform shapes of a source, one tap value at a time. Each function takes the tap's phase
// tp in [0, 1) and the source's effective a and b (both in [0, 1]) and returns the raw tap value.
namespace ondrix_engine::waveforms {

inline constexpr float PI = 3.14159265358979323846f;
inline constexpr float TWO_PI = 6.28318530717958647692f;

// Values that depend only on a and b, worked out once per source and tick.
struct Controls {
    float a = 0.5f;
    float b = 0.0f;
    float skew = 0.5f;         // aC = clamp(a, 0.01, 0.99)
    float levels = 16.0f;      // N1 = max(round(16 - 14b), 2)
    float morph_steps = 2.0f;  // N2 = round(14b + 2)
    bool quantized = false;    // b >= 0.02: saw, sampleHold and drawn go through stair()

    static Controls from(float a, float b);
};

// The phase bent so that the first half of the wave takes the fraction `skew` of the cycle.
float wrap(float tp, float skew);
// 2 x clamp((x + 1) / 2, 0, 1)^e - 1.
float curve(float x, float e);
// x on a staircase of `levels` steps from -1 to 1.
float stair(float x, float levels);

// The exponents of the triangle's and the saw's curves: 2^(4b - 2) and 2^(4a - 2). The same for
// every tap of a source, so the engine works them out once and passes them in.
float triangle_curve(const Controls& c);
float saw_curve(const Controls& c);

float sine(float tp, const Controls& c);
float triangle(float tp, const Controls& c, float curve);
float triangle(float tp, const Controls& c);
float saw(float tp, const Controls& c, float curve);
float saw(float tp, const Controls& c);
float square(float tp, const Controls& c);
float sample_hold(float to, const Controls& c);
float smooth_random(float tp, float from, float to);
float morph(float tp, const Controls& c, const std::array<float, 16>& steps);
float drawn(float tp, const Controls& c, std::span<const float> table);

}  // namespace ondrix_engine::waveforms
