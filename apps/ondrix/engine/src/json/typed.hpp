#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "json/failure.hpp"
#include "json/messages.hpp"

// The typed readers' building blocks, written once for every input: the text reader, a tree
// reader and a reader of buffered entries. An input offers read_bool, read_f32, read_unsigned,
// read_identifier, read_unit_enum, read_struct, read_map, read_seq, read_option and skip; its
// Map and Seq hand out entries and elements (see json/text_reader.hpp, json/node_reader.hpp).
namespace ondrix_engine::json::typed {

inline constexpr std::size_t kNoField = static_cast<std::size_t>(-1);

template <std::size_t N>
std::size_t field_index(const std::array<std::string_view, N>& keys, std::string_view key) {
    for (std::size_t i = 0; i < N; ++i) {
        if (keys[i] == key) return i;
    }
    return kNoField;
}

// A record read from an object (keys in any order, unknown keys skipped, each known key once)
// or from an array (fields in declaration order, trailing fields with defaults may be left out).
// Fields gives Type, expected ("struct Source"), expected_length ("struct Source with 13
// elements"), keys, required and read_field(input, record, index). The record starts out holding
// the defaults.
template <class Fields>
class RecordVisitor {
  public:
    static constexpr std::size_t N = Fields::keys.size();

    RecordVisitor(typename Fields::Type& out, Failure& failure) : out_(out), failure_(failure) {}

    std::string_view expected() const { return Fields::expected; }

    template <class Map>
    bool visit_map(Map& map) {
        std::array<bool, N> seen{};
        for (;;) {
            std::string_view key;
            bool done = false;
            if (!map.next_key(key, done)) return false;
            if (done) break;
            const std::size_t i = field_index(Fields::keys, key);
            if (i == kNoField) {
                if (!map.skip_value(key)) return false;
                continue;
            }
            if (seen[i]) return failure_.fail(messages::duplicate_field(Fields::keys[i]));
            seen[i] = true;
            if (!map.value([&](auto& in) { return Fields::read_field(in, out_, i); })) return false;
        }
        for (std::size_t i = 0; i < N; ++i) {
            if (Fields::required[i] && !seen[i]) {
                return failure_.fail(messages::missing_field(Fields::keys[i]));
            }
        }
        return true;
    }

    template <class Seq>
    bool visit_seq(Seq& seq) {
        for (std::size_t i = 0; i < N; ++i) {
            bool got = false;
            if (!seq.next([&](auto& in) { return Fields::read_field(in, out_, i); }, got)) {
                return false;
            }
            if (!got && Fields::required[i]) {
                return failure_.fail(messages::invalid_length(i, Fields::expected_length));
            }
        }
        return true;
    }

  private:
    typename Fields::Type& out_;
    Failure& failure_;
};

template <class Fields, class In>
bool read_record(In& in, typename Fields::Type& out) {
    RecordVisitor<Fields> visitor(out, in.failure());
    return in.read_struct(visitor);
}

// An alternative without payload: any other entries of the object are ignored; in the array
// form nothing may follow the tag.
struct Unit {};
struct NoFields {
    using Type = Unit;
    static constexpr std::string_view expected = "unit variant";
    static constexpr std::string_view expected_length = "unit variant";
    static constexpr std::array<std::string_view, 0> keys = {};
    static constexpr std::array<bool, 0> required = {};
    template <class In>
    static bool read_field(In&, Unit&, std::size_t) {
        return true;
    }
};

template <class In>
bool read_unit(In& in) {
    Unit unit;
    return read_record<NoFields>(in, unit);
}

// Finds the tag of an internally tagged value and keeps its other entries (or the elements after
// it) for the alternative to read.
template <class In>
class TaggedVisitor {
  public:
    TaggedVisitor(std::string_view tag, std::string_view expected, const Variants& variants,
                  Failure& failure)
        : tag_(tag), expected_(expected), variants_(variants), failure_(failure) {}

    std::string_view expected() const { return expected_; }
    std::size_t alternative() const { return alternative_; }
    typename In::Buffer& buffer() { return buffer_; }

    template <class Map>
    bool visit_map(Map& map) {
        buffer_.start_map();
        bool tagged = false;
        for (;;) {
            std::string_view key;
            bool done = false;
            if (!map.next_key(key, done)) return false;
            if (done) break;
            if (key == tag_) {
                if (tagged) return failure_.fail(messages::duplicate_field(tag_));
                tagged = true;
                if (!map.value(
                        [&](auto& in) { return in.read_identifier(variants_, alternative_); })) {
                    return false;
                }
            } else if (!map.buffer_value(key, buffer_)) {
                return false;
            }
        }
        if (!tagged) return failure_.fail(messages::missing_field(tag_));
        return true;
    }

    template <class Seq>
    bool visit_seq(Seq& seq) {
        buffer_.start_seq();
        bool got = false;
        if (!seq.next([&](auto& in) { return in.read_identifier(variants_, alternative_); }, got)) {
            return false;
        }
        if (!got) return failure_.fail(messages::missing_field(tag_));
        return seq.buffer_rest(buffer_);
    }

  private:
    std::string_view tag_;
    std::string_view expected_;
    const Variants& variants_;
    Failure& failure_;
    std::size_t alternative_ = 0;
    typename In::Buffer buffer_;
};

// An internally tagged union. Union gives Type, tag, expected, variants and
// read_alternative(buffered_input, alternative, out). The alternative is read after the whole
// tagged value has been taken from the input.
template <class Union, class In>
bool read_tagged(In& in, typename Union::Type& out) {
    TaggedVisitor<In> visitor(Union::tag, Union::expected, Union::variants, in.failure());
    if (!in.read_struct(visitor)) return false;
    typename In::BufferedReader payload(visitor.buffer().finish(), in.failure());
    return Union::read_alternative(payload, visitor.alternative(), out);
}

// The pieces of a union's read_alternative. An alternative without payload:
template <class Alternative>
struct Bare {
    template <class In, class Value>
    static bool read(In& in, Value& out) {
        if (!read_unit(in)) return false;
        out = Alternative{};
        return true;
    }
};

// An alternative whose payload is the record Record describes (Record::Type is the alternative):
template <class Record>
struct WithPayload {
    template <class In, class Value>
    static bool read(In& in, Value& out) {
        typename Record::Type value{};
        if (!read_record<Record>(in, value)) return false;
        out = std::move(value);
        return true;
    }
};

// Reads the alternative of the given ordinal; Alternatives holds a Bare or a WithPayload per
// ordinal, in order.
template <class... Alternatives>
struct AlternativesInOrder {
    static constexpr std::size_t count = sizeof...(Alternatives);

    template <class In, class Value>
    static bool read_alternative(In& in, std::size_t alternative, Value& out) {
        bool ok = false;
        std::size_t ordinal = 0;
        (void)((ordinal++ == alternative && (ok = Alternatives::read(in, out), true)) || ...);
        return ok;
    }
};

// A plain enumeration.
template <class Enum, class In>
bool read_enum(In& in, const Variants& variants, Enum& out) {
    std::size_t alternative = 0;
    if (!in.read_unit_enum(variants, alternative)) return false;
    out = static_cast<Enum>(alternative);
    return true;
}

// A list of any length; read_element(input, element).
template <class T, class ReadElement>
class ListVisitor {
  public:
    ListVisitor(std::vector<T>& out, ReadElement read) : out_(out), read_(std::move(read)) {}

    std::string_view expected() const { return "a sequence"; }

    template <class Map>
    bool visit_map(Map&) {
        return false;  // read_seq never offers a map
    }

    template <class Seq>
    bool visit_seq(Seq& seq) {
        out_.clear();
        for (;;) {
            T element{};
            bool got = false;
            if (!seq.next([&](auto& in) { return read_(in, element); }, got)) return false;
            if (!got) return true;
            out_.push_back(std::move(element));
        }
    }

  private:
    std::vector<T>& out_;
    ReadElement read_;
};

template <class T, class In, class ReadElement>
bool read_list(In& in, std::vector<T>& out, ReadElement read) {
    ListVisitor<T, ReadElement> visitor(out, std::move(read));
    return in.read_seq(visitor);
}

// Exactly two floats.
class PairVisitor {
  public:
    explicit PairVisitor(std::array<float, 2>& out, Failure& failure)
        : out_(out), failure_(failure) {}

    std::string_view expected() const { return "an array of length 2"; }

    template <class Map>
    bool visit_map(Map&) {
        return false;  // read_seq never offers a map
    }

    template <class Seq>
    bool visit_seq(Seq& seq) {
        for (std::size_t i = 0; i < 2; ++i) {
            bool got = false;
            if (!seq.next([&](auto& in) { return in.read_f32(out_[i]); }, got)) return false;
            if (!got) return failure_.fail(messages::invalid_length(i, expected()));
        }
        return true;
    }

  private:
    std::array<float, 2>& out_;
    Failure& failure_;
};

// null for absent, else the value.
template <class T, class ReadValue>
class OptionVisitor {
  public:
    OptionVisitor(std::optional<T>& out, ReadValue read) : out_(out), read_(std::move(read)) {}

    bool none() {
        out_.reset();
        return true;
    }
    template <class In>
    bool some(In& in) {
        T value{};
        if (!read_(in, value)) return false;
        out_ = std::move(value);
        return true;
    }

  private:
    std::optional<T>& out_;
    ReadValue read_;
};

template <class T, class In, class ReadValue>
bool read_option(In& in, std::optional<T>& out, ReadValue read) {
    OptionVisitor<T, ReadValue> visitor(out, std::move(read));
    return in.read_option(visitor);
}

// Scalars of the patch model.
template <class In>
bool read_u8(In& in, std::uint8_t& out) {
    std::uint64_t value = 0;
    if (!in.read_unsigned(value, 255, "u8")) return false;
    out = static_cast<std::uint8_t>(value);
    return true;
}

template <class In>
bool read_usize(In& in, std::size_t& out) {
    std::uint64_t value = 0;
    if (!in.read_unsigned(value, static_cast<std::uint64_t>(static_cast<std::size_t>(-1)),
                          "usize")) {
        return false;
    }
    out = static_cast<std::size_t>(value);
    return true;
}

}  // namespace ondrix_engine::json::typed
