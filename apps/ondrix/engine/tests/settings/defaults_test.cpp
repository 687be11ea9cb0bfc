#include <gtest/gtest.h>

#include "settings/patch.hpp"

namespace ondrix_engine::settings {
namespace {

TEST(PatchDefaults, DefaultPatch) {
    const Patch patch = Patch::defaults();
    ASSERT_EQ(patch.sources.size(), 8u);
    ASSERT_EQ(patch.routes.size(), 8u);
    ASSERT_EQ(patch.outputs.size(), 64u);
    EXPECT_EQ(patch.tempo, 120.0f);

    struct Row {
        Shape::Kind kind;
        float hz, a, b;
    };
    const Row rows[] = {
        {Shape::Kind::Sine, 0.25f, 0.5f, 0.0f},         {Shape::Kind::Triangle, 0.5f, 0.5f, 0.5f},
        {Shape::Kind::Saw, 0.75f, 0.5f, 0.0f},          {Shape::Kind::Square, 1.0f, 0.5f, 0.0f},
        {Shape::Kind::SmoothRandom, 1.25f, 1.0f, 1.0f}, {Shape::Kind::SampleHold, 1.5f, 1.0f, 0.0f},
        {Shape::Kind::Morph, 1.75f, 0.0f, 0.5f},        {Shape::Kind::Field, 2.0f, 0.5f, 0.3f},
    };
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const Source& source = patch.sources[i];
        EXPECT_EQ(source.shape.kind(), rows[i].kind);
        EXPECT_EQ(source.rate, Rate::free(rows[i].hz));
        EXPECT_EQ(source.a, rows[i].a);
        EXPECT_EQ(source.b, rows[i].b);
        EXPECT_EQ(source.enabled, i < 2);
        EXPECT_EQ(patch.routes[i], (Route{i, 0, 1.0f, Target::Output{i}}));
    }
    EXPECT_EQ(patch.sources[7].shape, Shape(Shape::Field{Motion::Drift}));
    for (std::size_t i = 0; i < 64; ++i) {
        SCOPED_TRACE(i);
        Output expected;
        expected.enabled = i < 2;
        expected.cc = static_cast<std::uint8_t>(16 + i);
        EXPECT_EQ(patch.outputs[i], expected);
    }
}

TEST(PatchDefaults, LfoParametersByShape) {
    struct Row {
        Shape shape;
        float a, b;
    };
    const Row rows[] = {
        {Shape::Sine{}, 0.5f, 0.0f},
        {Shape::Triangle{}, 0.5f, 0.5f},
        {Shape::Saw{}, 0.5f, 0.0f},
        {Shape::Square{}, 0.5f, 0.0f},
        {Shape::SampleHold{}, 1.0f, 0.0f},
        {Shape::SmoothRandom{}, 1.0f, 1.0f},
        {Shape::Morph{}, 0.0f, 0.5f},
        {Shape::Drawn{{1.0f, 2.0f}}, 0.5f, 0.0f},
        {Shape::Pendulum{}, 0.6f, 0.5f},
        {Shape::Lorenz{}, 0.6f, 0.5f},
        {Shape::CvIn{2}, 0.3f, 0.5f},
        {Shape::Wander{}, 0.4f, 0.4f},
        {Shape::Field{Motion::Drift}, 0.5f, 0.3f},
        {Shape::Field{Motion::Flow}, 0.5f, 0.0f},
        {Shape::Field{Motion::Spin}, 0.5f, 0.0f},
        {Shape::Field{Motion::Rain}, 0.6f, 0.4f},
        {Shape::Field{Motion::Wave}, 0.6f, 0.0f},
        {Shape::Field{Motion::Cells}, 0.5f, 0.3f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shape.ordinal());
        const Source source = Source::lfo(row.shape, Rate::sync(2.0f));
        EXPECT_EQ(source.shape, row.shape);
        EXPECT_EQ(source.rate, Rate::sync(2.0f));
        EXPECT_EQ(source.a, row.a);
        EXPECT_EQ(source.b, row.b);
        EXPECT_TRUE(source.enabled);
        EXPECT_EQ(source.spread, 1.0f);
        EXPECT_EQ(source.depth, 1.0f);
        EXPECT_EQ(source.bits, 0);
    }
}

}  // namespace
}  // namespace ondrix_engine::settings
