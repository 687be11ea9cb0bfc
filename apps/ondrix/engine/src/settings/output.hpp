#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace ondrix_engine::settings {

// A control-voltage line of the hardware side.
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Dest.
struct Port {
    struct Channel {
        std::uint8_t index;
        friend bool operator==(const Channel&, const Channel&) = default;
    };
    struct Expander {
        std::uint8_t header;
        std::uint8_t output;
        friend bool operator==(const Expander&, const Expander&) = default;
    };

    // Alternatives are aggregates; `{}` gives zeros.
    using Value = std::variant<Channel, Expander>;

    Value value;

    Port() = default;
    template <class Alternative>
    requires std::is_constructible_v<Value, Alternative&&> &&
        (!std::is_same_v<std::remove_cvref_t<Alternative>, Port>)Port(Alternative&& alternative)
        : value(std::forward<Alternative>(alternative)) {}

    std::size_t ordinal() const { return value.index(); }
    template <class Alternative>
    const Alternative* get_if() const {
        return std::get_if<Alternative>(&value);
    }

    friend bool operator==(const Port&, const Port&) = default;
};

// Where an output goes.
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Output.
struct Dest {
    struct Midi {
        friend bool operator==(const Midi&, const Midi&) = default;
    };
    struct Cv {
        Port port;
        friend bool operator==(const Cv&, const Cv&) = default;
    };
    struct Gate {
        Port port;
        friend bool operator==(const Gate&, const Gate&) = default;
    };

    using Value = std::variant<Midi, Cv, Gate>;

    Value value;

    Dest() = default;
    template <class Alternative>
    requires std::is_constructible_v<Value, Alternative&&> &&
        (!std::is_same_v<std::remove_cvref_t<Alternative>, Dest>)Dest(Alternative&& alternative)
        : value(std::forward<Alternative>(alternative)) {}

    std::size_t ordinal() const { return value.index(); }
    template <class Alternative>
    const Alternative* get_if() const {
        return std::get_if<Alternative>(&value);
    }

    friend bool operator==(const Dest&, const Dest&) = default;
};

// What an output carries.
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Output.
struct Signal {
    struct Routed {
        friend bool operator==(const Routed&, const Routed&) = default;
    };
    struct Clock {
        float ppqn = 0.0f;
        friend bool operator==(const Clock&, const Clock&) = default;
    };
    struct Run {
        friend bool operator==(const Run&, const Run&) = default;
    };
    struct Reset {
        friend bool operator==(const Reset&, const Reset&) = default;
    };

    using Value = std::variant<Routed, Clock, Run, Reset>;

    Value value;

    Signal() = default;
    template <class Alternative>
    requires std::is_constructible_v<Value, Alternative&&> &&
        (!std::is_same_v<std::remove_cvref_t<Alternative>, Signal>)Signal(Alternative&& alternative)
        : value(std::forward<Alternative>(alternative)) {}

    std::size_t ordinal() const { return value.index(); }
    template <class Alternative>
    const Alternative* get_if() const {
        return std::get_if<Alternative>(&value);
    }

    friend bool operator==(const Signal&, const Signal&) = default;
};

// The scale of a pitch quantiser, in index order.
enum class Scale : std::uint8_t {
    Chromatic,
    Major,
    Minor,
    HarmonicMinor,
    Dorian,
    Phrygian,
    Lydian,
    Mixolydian,
    PentatonicMajor,
    PentatonicMinor,
    Blues,
    WholeTone,
};

// Pitch quantisation of a control-voltage line.
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Output.
struct Quantize {
    Scale scale = Scale::Chromatic;
    std::uint8_t root = 0;
    friend bool operator==(const Quantize&, const Quantize&) = default;
};

// One of the patch's sinks: a MIDI control change, or a control-voltage or gate line.
// The member defaults are those of a patch JSON output with missing keys (cc is required there).
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Patch.
struct Output {
    bool enabled = true;
    std::uint8_t channel = 0;
    std::uint8_t cc = 0;
    bool fine = false;
    bool bipolar = true;
    float offset = 0.0f;
    Dest dest;
    Signal signal;
    std::array<float, 2> volts = {-5.0f, 5.0f};
    float threshold = 0.5f;
    float gate_volts = 5.0f;
    std::optional<Quantize> quantize;

    friend bool operator==(const Output&, const Output&) = default;
};

}  // namespace ondrix_engine::settings
