#include <array>
#include <cstddef>

#include "settings/patch.hpp"

namespace ondrix_engine::settings {
namespace {

struct Pair {
    float a;
    float b;
};

// The a and b a newly made field source gets, by motion ordinal.
constexpr std::array<float, 6> kFieldA = {0.5f, 0.5f, 0.5f, 0.6f, 0.6f, 0.5f};
constexpr std::array<float, 6> kFieldB = {0.3f, 0.0f, 0.0f, 0.4f, 0.0f, 0.3f};

Pair lfo_parameters(const Shape& shape) {
    using K = Shape::Kind;
    switch (shape.kind()) {
        case K::Triangle:
            return {0.5f, 0.5f};
        case K::SampleHold:
            return {1.0f, 0.0f};
        case K::SmoothRandom:
            return {1.0f, 1.0f};
        case K::Morph:
            return {0.0f, 0.5f};
        case K::Pendulum:
        case K::Lorenz:
            return {0.6f, 0.5f};
        case K::CvIn:
            return {0.3f, 0.5f};
        case K::Wander:
            return {0.4f, 0.4f};
        case K::Field: {
            const auto motion = static_cast<std::size_t>(shape.get_if<Shape::Field>()->motion);
            return {kFieldA[motion], kFieldB[motion]};
        }
        case K::Sine:
        case K::Saw:
        case K::Square:
        case K::Drawn:
            break;
    }
    return {0.5f, 0.0f};
}

}  // namespace

Source Source::lfo(Shape shape, Rate rate) {
    Source source;
    const Pair ab = lfo_parameters(shape);
    source.shape = std::move(shape);
    source.rate = rate;
    source.a = ab.a;
    source.b = ab.b;
    return source;
}

Patch Patch::defaults() {
    Patch patch;
    const std::array<Shape, 8> shapes = {
        Shape::Sine{},         Shape::Triangle{},   Shape::Saw{},   Shape::Square{},
        Shape::SmoothRandom{}, Shape::SampleHold{}, Shape::Morph{}, Shape::Field{Motion::Drift},
    };
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        Source source = Source::lfo(shapes[i], Rate::free(static_cast<float>(i + 1) * 0.25f));
        source.enabled = i < 2;
        patch.sources.push_back(std::move(source));
    }
    for (std::size_t i = 0; i < 64; ++i) {
        Output output;
        output.enabled = i < 2;
        output.cc = static_cast<std::uint8_t>(16 + i);
        patch.outputs.push_back(output);
    }
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        patch.routes.push_back(Route{i, 0, 1.0f, Target::Output{i}});
    }
    patch.tempo = 120.0f;
    return patch;
}

}  // namespace ondrix_engine::settings
