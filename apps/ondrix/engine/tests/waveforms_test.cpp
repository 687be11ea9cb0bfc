#include "waveforms.hpp"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace ondrix_engine::waveforms {
namespace {

struct Case {
    std::string name;
    std::function<float(const Controls&)> wave;
    float a;
    float b;
    float expected;
};

TEST(Waveforms, ValuesAtKnownPhases) {
    const std::array<float, 16> steps = {0.1f, 0.2f,  0.3f,  0.4f,  0.5f,  0.6f,  0.7f,  0.8f,
                                         0.9f, -0.1f, -0.2f, -0.3f, -0.4f, -0.5f, -0.6f, -0.7f};
    auto at = [](float (*f)(float, const Controls&), float tp) {
        return [f, tp](const Controls& c) { return f(tp, c); };
    };
    auto morph_at = [&steps](float tp) {
        return [&steps, tp](const Controls& c) { return morph(tp, c, steps); };
    };
    auto drawn_at = [](std::vector<float> table, float tp) {
        return [table, tp](const Controls& c) { return drawn(tp, c, table); };
    };
    const std::vector<Case> cases = {
        {"sine peak", at(sine, 0.25f), 0.5f, 0.0f, 1.0f},
        {"sine trough", at(sine, 0.75f), 0.5f, 0.0f, -1.0f},
        {"sine folded once: peak falls to 0", at(sine, 0.25f), 0.5f, 0.25f, 0.0f},
        {"sine folded to -1", at(sine, 0.25f), 0.5f, 0.5f, -1.0f},
        {"sine skewed: peak early", at(sine, 0.125f), 0.25f, 0.0f, 1.0f},
        {"sine skewed: trough late", at(sine, 0.625f), 0.25f, 0.0f, -1.0f},
        {"triangle starts at 0", at(triangle, 0.0f), 0.5f, 0.5f, 0.0f},
        {"triangle top", at(triangle, 0.25f), 0.5f, 0.5f, 1.0f},
        {"triangle bottom", at(triangle, 0.75f), 0.5f, 0.5f, -1.0f},
        {"triangle curved", at(triangle, 0.0f), 0.5f, 0.0f, 0.68179283f},
        {"saw rises from -1", at(saw, 0.0f), 0.5f, 0.0f, -1.0f},
        {"saw linear", at(saw, 0.75f), 0.5f, 0.0f, 0.5f},
        {"saw curved", at(saw, 0.5f), 1.0f, 0.0f, -0.875f},
        {"saw on two steps, high", at(saw, 0.75f), 0.5f, 1.0f, 1.0f},
        {"saw on two steps, low", at(saw, 0.25f), 0.5f, 1.0f, -1.0f},
        {"square first half", at(square, 0.25f), 0.5f, 0.0f, 1.0f},
        {"square second half", at(square, 0.75f), 0.5f, 0.0f, -1.0f},
        {"square narrow pulse", at(square, 0.25f), 0.2f, 0.0f, -1.0f},
        {"square soft rising edge", at(square, 0.05f), 0.5f, 1.0f, 0.5f},
        {"square soft falling edge", at(square, 0.55f), 0.5f, 1.0f, -0.5f},
        {"square soft, away from edges", at(square, 0.25f), 0.5f, 1.0f, 1.0f},
        {"morph at 0 is sine", morph_at(0.25f), 0.0f, 0.5f, 1.0f},
        {"morph at 1 is sine again", morph_at(0.25f), 1.0f, 0.5f, 1.0f},
        {"morph between sine and triangle", morph_at(0.125f), 1.0f / 12.0f, 0.5f, 0.60355339f},
        {"morph saw", morph_at(0.75f), 1.0f / 3.0f, 0.5f, 0.5f},
        {"morph square", morph_at(0.75f), 0.5f, 0.5f, -1.0f},
        {"morph steps, middle", morph_at(0.5f), 2.0f / 3.0f, 0.5f, 0.0f},
        {"morph steps, top", morph_at(0.99f), 2.0f / 3.0f, 0.5f, 1.0f},
        {"morph random steps", morph_at(0.5f), 5.0f / 6.0f, 0.5f, 0.5f},
        {"drawn, linear midpoint", drawn_at({-1.0f, 1.0f}, 0.25f), 0.5f, 0.0f, 0.0f},
        {"drawn wraps to the first entry", drawn_at({-1.0f, 1.0f}, 0.75f), 0.5f, 0.0f, 0.0f},
        {"drawn, hard steps", drawn_at({-1.0f, 1.0f}, 0.25f), 0.0f, 0.0f, -1.0f},
        {"drawn, cosine", drawn_at({-1.0f, 1.0f}, 0.125f), 1.0f, 0.0f, -0.70710678f},
        {"drawn, glide not yet begun", drawn_at({-1.0f, 1.0f}, 0.125f), 0.25f, 0.0f, -1.0f},
        {"drawn, half through the glide", drawn_at({-1.0f, 1.0f}, 0.375f), 0.25f, 0.0f, 0.0f},
        {"drawn, one entry", drawn_at({0.3f}, 0.6f), 0.5f, 0.0f, 0.3f},
        {"drawn, clamped", drawn_at({4.0f}, 0.6f), 0.5f, 0.0f, 1.0f},
        {"drawn, empty", drawn_at({}, 0.6f), 0.5f, 0.0f, 0.0f},
        {"drawn, empty on two steps", drawn_at({}, 0.6f), 0.5f, 1.0f, 1.0f},
        {"drawn, quantised", drawn_at({0.3f}, 0.6f), 0.5f, 0.5f, 0.25f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(c.wave(Controls::from(c.a, c.b)), c.expected, 2e-6f);
    }
}

TEST(Waveforms, RandomShapes) {
    EXPECT_EQ(sample_hold(0.37f, Controls::from(1.0f, 0.0f)), 0.37f);
    EXPECT_EQ(sample_hold(0.37f, Controls::from(1.0f, 1.0f)), 1.0f);
    EXPECT_EQ(smooth_random(0.0f, -1.0f, 1.0f), -1.0f);
    EXPECT_NEAR(smooth_random(0.5f, -1.0f, 1.0f), 0.0f, 1e-7f);
    EXPECT_NEAR(smooth_random(0.999999f, -1.0f, 1.0f), 1.0f, 1e-6f);
}

TEST(Waveforms, ControlsFromAAndB) {
    struct Row {
        float a, b, skew, levels, morph_steps;
        bool quantized;
    };
    const std::vector<Row> rows = {
        {0.0f, 0.0f, 0.01f, 16.0f, 2.0f, false},
        {1.0f, 1.0f, 0.99f, 2.0f, 16.0f, true},
        {0.5f, 0.5f, 0.5f, 9.0f, 9.0f, true},
        {0.5f, 0.0199f, 0.5f, 16.0f, 2.0f, false},
        {0.5f, 0.02f, 0.5f, 16.0f, 2.0f, true},
        {0.5f, 0.25f, 0.5f, 13.0f, 6.0f, true},  // 12.5 and 5.5 round away from zero
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "a " << r.a << " b " << r.b);
        Controls c = Controls::from(r.a, r.b);
        EXPECT_FLOAT_EQ(c.skew, r.skew);
        EXPECT_EQ(c.levels, r.levels);
        EXPECT_EQ(c.morph_steps, r.morph_steps);
        EXPECT_EQ(c.quantized, r.quantized);
    }
}

}  // namespace
}  // namespace ondrix_engine::waveforms
