#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>
#include <variant>

#include "settings/source.hpp"

namespace ondrix_engine::settings {

// Where a route's product goes: a parameter of a source, or an output.
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Route.
struct Target {
    struct Source {
        std::size_t index;
        Param param;
        friend bool operator==(const Source&, const Source&) = default;
    };
    struct Output {
        std::size_t index;
        friend bool operator==(const Output&, const Output&) = default;
    };

    // Alternatives are aggregates; `{}` gives index 0 (and param rate).
    using Value = std::variant<Source, Output>;

    Value value;

    Target() = default;
    template <class Alternative>
    requires std::is_constructible_v<Value, Alternative&&> &&
        (!std::is_same_v<std::remove_cvref_t<Alternative>, Target>)Target(Alternative&& alternative)
        : value(std::forward<Alternative>(alternative)) {}

    std::size_t ordinal() const { return value.index(); }
    template <class Alternative>
    const Alternative* get_if() const {
        return std::get_if<Alternative>(&value);
    }

    friend bool operator==(const Target&, const Target&) = default;
};

// One tap of one source, times a gain, into an output or a source parameter. Indexes are kept
// as read; the engine drops routes that point nowhere.
// Thread: main thread builds it, the audio thread gets it by value. Owner: its Patch.
struct Route {
    std::size_t from = 0;
    std::size_t tap = 0;
    float amount = 1.0f;
    Target target;

    friend bool operator==(const Route&, const Route&) = default;
};

}  // namespace ondrix_engine::settings
