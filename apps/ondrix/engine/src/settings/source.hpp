#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace ondrix_engine::settings {

// How a field source moves; the ordinal is the chaos kind of the source.
enum class Motion : std::uint8_t { Drift, Flow, Spin, Rain, Wave, Cells };

// A source parameter that a route can drive, addressed by its ordinal.
enum class Param : std::uint8_t { Rate, Depth, Offset, Phase, A, B, Spread, Smooth, Rough };

// The waveform or generator of a source: one of 13 alternatives, selected by ordinal.
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Source.
struct Shape {
    struct Sine {
        friend bool operator==(const Sine&, const Sine&) = default;
    };
    struct Triangle {
        friend bool operator==(const Triangle&, const Triangle&) = default;
    };
    struct Saw {
        friend bool operator==(const Saw&, const Saw&) = default;
    };
    struct Square {
        friend bool operator==(const Square&, const Square&) = default;
    };
    struct SampleHold {
        friend bool operator==(const SampleHold&, const SampleHold&) = default;
    };
    struct SmoothRandom {
        friend bool operator==(const SmoothRandom&, const SmoothRandom&) = default;
    };
    struct Morph {
        friend bool operator==(const Morph&, const Morph&) = default;
    };
    struct Drawn {
        std::vector<float> table;
        friend bool operator==(const Drawn&, const Drawn&) = default;
    };
    struct Field {
        Motion motion = Motion::Drift;
        friend bool operator==(const Field&, const Field&) = default;
    };
    struct Pendulum {
        friend bool operator==(const Pendulum&, const Pendulum&) = default;
    };
    struct Lorenz {
        friend bool operator==(const Lorenz&, const Lorenz&) = default;
    };
    struct CvIn {
        std::uint8_t channel = 0;
        friend bool operator==(const CvIn&, const CvIn&) = default;
    };
    struct Wander {
        friend bool operator==(const Wander&, const Wander&) = default;
    };

    // The alternatives in ordinal order.
    enum class Kind : std::uint8_t {
        Sine,
        Triangle,
        Saw,
        Square,
        SampleHold,
        SmoothRandom,
        Morph,
        Drawn,
        Field,
        Pendulum,
        Lorenz,
        CvIn,
        Wander,
    };
    using Value = std::variant<Sine, Triangle, Saw, Square, SampleHold, SmoothRandom, Morph, Drawn,
                               Field, Pendulum, Lorenz, CvIn, Wander>;

    Value value;

    Shape() = default;
    template <class Alternative>
    requires std::is_constructible_v<Value, Alternative&&> &&
        (!std::is_same_v<std::remove_cvref_t<Alternative>, Shape>)Shape(Alternative&& alternative)
        : value(std::forward<Alternative>(alternative)) {}

    std::size_t ordinal() const { return value.index(); }
    Kind kind() const { return static_cast<Kind>(value.index()); }
    template <class Alternative>
    const Alternative* get_if() const {
        return std::get_if<Alternative>(&value);
    }

    friend bool operator==(const Shape&, const Shape&) = default;
};

// How fast a source runs: a tag and one number (hz for Free, beats per cycle for Sync).
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Source.
struct Rate {
    enum class Mode : std::uint32_t { Free, Sync };

    Mode mode = Mode::Free;
    float value = 1.0f;

    static Rate free(float hz) { return Rate{Mode::Free, hz}; }
    static Rate sync(float beats) { return Rate{Mode::Sync, beats}; }

    friend bool operator==(const Rate&, const Rate&) = default;
};

// One modulation source. The member defaults are those a patch JSON source gets for missing
// keys; Source::lfo gives the per-shape defaults of a newly made source.
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Patch.
struct Source {
    bool enabled = true;
    Shape shape;
    Rate rate;
    float phase = 0.0f;
    float a = 0.5f;
    float b = 0.0f;
    float spread = 1.0f;
    float depth = 1.0f;
    float offset = 0.0f;
    bool unipolar = false;
    float smooth = 0.0f;
    float rough = 0.0f;
    std::uint8_t bits = 0;

    static Source lfo(Shape shape, Rate rate);

    friend bool operator==(const Source&, const Source&) = default;
};

}  // namespace ondrix_engine::settings
