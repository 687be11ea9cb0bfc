#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "json/messages.hpp"
#include "json/notes.hpp"

// Pieces shared by the three inputs the typed readers run on (the text, a tree, buffered entries).
namespace ondrix_engine::json {

// The first error of a read. `at` is the byte offset its position is computed from; it stays
// unset while the error comes from a value read out of buffered entries, and the text reader
// sets it where its enclosing value ends, as the value's own position is no longer known then.
// Every reader of one read shares it, and with it `notes`, where a caller that asked for them
// hears what the read noticed besides (only a read of a text has positions to give them).
// Thread: the reading thread. Owner: the read in progress; the notes belong to its caller.
struct Failure {
    static constexpr std::size_t kUnplaced = static_cast<std::size_t>(-1);

    bool failed = false;
    std::string message;
    std::size_t at = kUnplaced;
    Notes* notes = nullptr;

    // Keeps the first error only; returns false so callers can `return failure.fail(...)`.
    bool fail(std::string text) {
        if (!failed) {
            failed = true;
            message = std::move(text);
        }
        return false;
    }
    bool fail_at(std::string text, std::size_t offset) {
        if (!failed) {
            failed = true;
            message = std::move(text);
            at = offset;
        }
        return false;
    }
    void place(std::size_t offset) {
        if (failed && at == kUnplaced) at = offset;
    }
};

// The accepted names of a tagged union or a plain enumeration.
struct Variants {
    std::span<const std::string_view> names;  // aliases included, in the order errors list them
    std::span<const std::uint8_t> alternative_of_name;  // empty: name i is alternative i
    std::size_t alternatives = 0;

    std::optional<std::size_t> find(std::string_view name) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) {
                return alternative_of_name.empty() ? i : alternative_of_name[i];
            }
        }
        return std::nullopt;
    }

    bool lookup(Failure& failure, std::string_view name, std::size_t& alternative) const {
        if (const auto found = find(name)) {
            alternative = *found;
            return true;
        }
        return failure.fail(messages::unknown_variant(name, names));
    }
};

// A JSON number as written: unsigned, negative signed, or anything else as a double.
struct Number {
    enum class Kind : std::uint8_t { Unsigned, Signed, Float };
    Kind kind = Kind::Unsigned;
    std::uint64_t unsigned_value = 0;
    std::int64_t signed_value = 0;
    double float_value = 0.0;

    std::string found() const {
        switch (kind) {
            case Kind::Unsigned:
                return messages::found_unsigned(unsigned_value);
            case Kind::Signed:
                return messages::found_signed(signed_value);
            case Kind::Float:
                break;
        }
        return messages::found_float(float_value);
    }
};

// Nearest 32-bit float; values past its range become infinities.
float to_f32(double value);

inline float to_f32(const Number& number) {
    switch (number.kind) {
        case Number::Kind::Unsigned:
            return static_cast<float>(number.unsigned_value);
        case Number::Kind::Signed:
            return static_cast<float>(number.signed_value);
        case Number::Kind::Float:
            break;
    }
    return to_f32(number.float_value);
}

// An integer field of `max` at most ("u8", "usize"): fractions are a wrong type, negative or
// too large integers a wrong value.
inline bool to_unsigned(Failure& failure, const Number& number, std::uint64_t max,
                        std::string_view expected, std::uint64_t& out) {
    switch (number.kind) {
        case Number::Kind::Unsigned:
            if (number.unsigned_value <= max) {
                out = number.unsigned_value;
                return true;
            }
            return failure.fail(messages::invalid_value(number.found(), expected));
        case Number::Kind::Signed:
            return failure.fail(messages::invalid_value(number.found(), expected));
        case Number::Kind::Float:
            break;
    }
    return failure.fail(messages::invalid_type(number.found(), expected));
}

}  // namespace ondrix_engine::json
