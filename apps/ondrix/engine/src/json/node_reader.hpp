#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "json/content.hpp"
#include "json/failure.hpp"
#include "json/messages.hpp"
#include "json/payload.hpp"

namespace ondrix_engine::json {

// Uniform access to the two kinds of parsed value: nlohmann trees and buffered text content.
namespace node {

using Kind = Content::Kind;

inline Kind kind(const Content& value) {
    return value.kind;
}
inline Kind kind(const nlohmann::json& value) {
    using T = nlohmann::json::value_t;
    switch (value.type()) {
        case T::boolean:
            return Kind::Bool;
        case T::number_unsigned:
            return Kind::Unsigned;
        case T::number_integer:
            return value.get_ref<const nlohmann::json::number_integer_t&>() >= 0 ? Kind::Unsigned
                                                                                 : Kind::Signed;
        case T::number_float:
            return Kind::Float;
        case T::string:
            return Kind::String;
        case T::array:
            return Kind::Array;
        case T::object:
            return Kind::Object;
        case T::binary:
            return Kind::Null;  // never made by our parser; reads as a wrong type
        case T::null:
        case T::discarded:
            break;
    }
    return Kind::Null;
}

inline bool is_binary(const Content&) {
    return false;
}
inline bool is_binary(const nlohmann::json& value) {
    return value.is_binary();
}

inline bool boolean(const Content& value) {
    return value.boolean;
}
inline bool boolean(const nlohmann::json& value) {
    return value.get_ref<const nlohmann::json::boolean_t&>();
}

// Only for numbers.
inline Number number(const Content& value) {
    Number n;
    switch (value.kind) {
        case Kind::Unsigned:
            n.unsigned_value = value.unsigned_value;
            break;
        case Kind::Signed:
            n.kind = Number::Kind::Signed;
            n.signed_value = value.signed_value;
            break;
        default:
            n.kind = Number::Kind::Float;
            n.float_value = value.float_value;
    }
    return n;
}
inline Number number(const nlohmann::json& value) {
    Number n;
    if (value.is_number_unsigned()) {
        n.unsigned_value = value.get<std::uint64_t>();
    } else if (value.is_number_integer()) {
        const std::int64_t v = value.get<std::int64_t>();
        if (v >= 0) {
            n.unsigned_value = static_cast<std::uint64_t>(v);
        } else {
            n.kind = Number::Kind::Signed;
            n.signed_value = v;
        }
    } else {
        n.kind = Number::Kind::Float;
        n.float_value = value.get<double>();
    }
    return n;
}

inline std::string_view string(const Content& value) {
    return value.text;
}
inline std::string_view string(const nlohmann::json& value) {
    return value.get_ref<const nlohmann::json::string_t&>();
}

inline std::size_t size(const Content& value) {
    return value.items.size();
}
inline std::size_t size(const nlohmann::json& value) {
    return value.size();
}

template <class Node>
std::string found(const Node& value) {
    if (is_binary(value)) return messages::found_bytes();
    switch (kind(value)) {
        case Kind::Null:
            return messages::found_null();
        case Kind::Bool:
            return messages::found_bool(boolean(value));
        case Kind::Unsigned:
        case Kind::Signed:
        case Kind::Float:
            return number(value).found();
        case Kind::String:
            return messages::found_string(string(value));
        case Kind::Array:
            return messages::found_sequence();
        case Kind::Object:
            break;
    }
    return messages::found_map();
}

// Walks the entries of an object: Content keeps them in document order, nlohmann::json in
// ascending key order, a Payload as collected.
template <class Node>
class Entries;

template <>
class Entries<Content> {
  public:
    explicit Entries(const Content& object) : object_(&object) {}
    explicit Entries(const Payload<Content>& payload) : payload_(&payload) {}
    bool done() const { return i_ == count(); }
    std::size_t count() const { return payload_ ? payload_->entries.size() : object_->keys.size(); }
    std::string_view key() const {
        return payload_ ? payload_->entries[i_].key : std::string_view(object_->keys[i_]);
    }
    const Content& value() const {
        return payload_ ? *payload_->entries[i_].value : object_->items[i_];
    }
    // Where the key ends in the text, or Failure::kUnplaced when that isn't known.
    std::size_t key_end() const {
        if (payload_) return payload_->entries[i_].key_end;
        return i_ < object_->key_ends.size() ? object_->key_ends[i_] : Failure::kUnplaced;
    }
    void advance() { ++i_; }

  private:
    const Content* object_ = nullptr;
    const Payload<Content>* payload_ = nullptr;
    std::size_t i_ = 0;
};

template <>
class Entries<nlohmann::json> {
  public:
    explicit Entries(const nlohmann::json& object)
        : it_(object.get_ref<const nlohmann::json::object_t&>().begin()),
          end_(object.get_ref<const nlohmann::json::object_t&>().end()) {}
    explicit Entries(const Payload<nlohmann::json>& payload) : payload_(&payload) {}
    bool done() const { return payload_ ? i_ == payload_->entries.size() : it_ == end_; }
    std::string_view key() const { return payload_ ? payload_->entries[i_].key : it_->first; }
    const nlohmann::json& value() const {
        return payload_ ? *payload_->entries[i_].value : it_->second;
    }
    std::size_t key_end() const { return Failure::kUnplaced; }
    void advance() {
        if (payload_) {
            ++i_;
        } else {
            ++it_;
        }
    }

  private:
    nlohmann::json::object_t::const_iterator it_{};
    nlohmann::json::object_t::const_iterator end_{};
    const Payload<nlohmann::json>* payload_ = nullptr;
    std::size_t i_ = 0;
};

inline const Content& element(const Content& array, std::size_t i) {
    return array.items[i];
}
inline const nlohmann::json& element(const nlohmann::json& array, std::size_t i) {
    return array[i];
}

}  // namespace node

// Reads typed values out of a parsed value. Direct readers (Buffered false) follow the rules for
// a tree handed in by the caller; buffered readers those for entries put aside while a tagged
// value was read: tags may be given as ordinals, a plain enumeration's unit may be an empty
// object, and surplus array elements are counted against the elements wanted.
// Thread: one thread. Owner: the read in progress (it borrows the value and the failure).
template <class Node, bool Buffered>
class NodeReader {
  public:
    class Map;
    class Seq;

    struct Buffer {
        Payload<Node> payload;
        void start_map() { payload.is_map = true; }
        void start_seq() { payload.is_map = false; }
        const Payload<Node>& finish() const { return payload; }
    };
    using BufferedReader = NodeReader<Node, true>;

    NodeReader(const Node& value, Failure& failure) : value_(&value), failure_(&failure) {}
    NodeReader(const Payload<Node>& payload, Failure& failure)
        : payload_(&payload), failure_(&failure) {}

    Failure& failure() { return *failure_; }

    bool read_bool(bool& out) {
        if (!payload_ && node::kind(*value_) == node::Kind::Bool && !node::is_binary(*value_)) {
            out = node::boolean(*value_);
            return true;
        }
        return wrong_type("a boolean");
    }

    bool read_f32(float& out) {
        Number number;
        if (!read_number(number, "f32")) return false;
        out = to_f32(number);
        return true;
    }

    bool read_unsigned(std::uint64_t& out, std::uint64_t max, std::string_view expected) {
        Number number;
        return read_number(number, expected) && to_unsigned(*failure_, number, max, expected, out);
    }

    bool read_identifier(const Variants& variants, std::size_t& alternative) {
        if (!payload_) {
            const node::Kind k = node::kind(*value_);
            if (k == node::Kind::String) {
                return variants.lookup(*failure_, node::string(*value_), alternative);
            }
            if (Buffered && k == node::Kind::Unsigned && !node::is_binary(*value_)) {
                const std::uint64_t index = node::number(*value_).unsigned_value;
                if (index < variants.alternatives) {
                    alternative = static_cast<std::size_t>(index);
                    return true;
                }
                return failure_->fail(
                    messages::invalid_value(messages::found_unsigned(index),
                                            messages::variant_index(variants.alternatives)));
            }
        }
        return wrong_type("variant identifier");
    }

    bool read_unit_enum(const Variants& variants, std::size_t& alternative) {
        if (payload_) return wrong_type("string or map");
        switch (node::kind(*value_)) {
            case node::Kind::String:
                return variants.lookup(*failure_, node::string(*value_), alternative);
            case node::Kind::Object: {
                node::Entries<Node> entries(*value_);
                if (node::size(*value_) != 1) {
                    return failure_->fail(
                        messages::invalid_value(messages::found_map(), "map with a single key"));
                }
                if (!variants.lookup(*failure_, entries.key(), alternative)) return false;
                const Node& unit = entries.value();
                const node::Kind k = node::kind(unit);
                if ((k == node::Kind::Null && !node::is_binary(unit)) ||
                    (Buffered && k == node::Kind::Object && node::size(unit) == 0)) {
                    return true;
                }
                return failure_->fail(messages::invalid_type(node::found(unit), "unit"));
            }
            default:
                break;
        }
        return wrong_type("string or map");
    }

    template <class Visitor>
    bool read_struct(Visitor& visitor) {
        if (payload_) {
            if (payload_->is_map) {
                Map map(node::Entries<Node>(*payload_), *failure_);
                return visitor.visit_map(map);
            }
            Seq seq(*payload_, *failure_);
            return visitor.visit_seq(seq) && seq.end();
        }
        switch (node::kind(*value_)) {
            case node::Kind::Array:
                return read_array(visitor);
            case node::Kind::Object: {
                Map map(node::Entries<Node>(*value_), *failure_);
                return visitor.visit_map(map);
            }
            default:
                break;
        }
        return wrong_type(visitor.expected());
    }

    template <class Visitor>
    bool read_map(Visitor& visitor) {
        if (!payload_ && node::kind(*value_) == node::Kind::Object) {
            Map map(node::Entries<Node>(*value_), *failure_);
            return visitor.visit_map(map);
        }
        return wrong_type(visitor.expected());
    }

    template <class Visitor>
    bool read_seq(Visitor& visitor) {
        if (!payload_ && node::kind(*value_) == node::Kind::Array) return read_array(visitor);
        return wrong_type(visitor.expected());
    }

    template <class Visitor>
    bool read_option(Visitor& visitor) {
        if (!payload_ && node::kind(*value_) == node::Kind::Null && !node::is_binary(*value_)) {
            return visitor.none();
        }
        return visitor.some(*this);
    }

    bool skip() { return true; }

    // A remark about the value just read: a parsed value has no place in a text to give it, so
    // it is dropped.
    void note(std::string) {}

    // The entries of an object.
    class Map {
      public:
        using Buffer = NodeReader::Buffer;
        using BufferedReader = NodeReader::BufferedReader;

        Map(node::Entries<Node> entries, Failure& failure)
            : entries_(entries), failure_(&failure) {}

        bool next_key(std::string_view& key, bool& done) {
            if (started_) entries_.advance();
            started_ = true;
            done = entries_.done();
            if (!done) key = entries_.key();
            return true;
        }
        template <class Read>
        bool value(Read&& read) {
            NodeReader reader(entries_.value(), *failure_);
            return read(reader);
        }
        // Passes over the value of a key the record doesn't know, noting the key where its
        // place in the text is known.
        bool skip_value(std::string_view key) {
            const std::size_t at = entries_.key_end();
            if (failure_->notes != nullptr && at != Failure::kUnplaced) {
                failure_->notes->ignored_keys.push_back({std::string(key), at});
            }
            return true;
        }
        bool buffer_value(std::string_view key, Buffer& buffer) {
            buffer.payload.entries.push_back({key, &entries_.value(), entries_.key_end()});
            return true;
        }

      private:
        node::Entries<Node> entries_;
        Failure* failure_;
        bool started_ = false;
    };

    // The elements of an array (or of a payload in sequence form).
    class Seq {
      public:
        using Buffer = NodeReader::Buffer;
        using BufferedReader = NodeReader::BufferedReader;

        Seq(const Node& array, Failure& failure)
            : array_(&array), count_(node::size(array)), failure_(&failure) {}
        Seq(const Payload<Node>& payload, Failure& failure)
            : payload_(&payload), count_(payload.items.size()), failure_(&failure) {}

        template <class Read>
        bool next(Read&& read, bool& got) {
            got = taken_ < count_;
            if (!got) return true;
            const Node& element =
                payload_ ? *payload_->items[taken_] : node::element(*array_, taken_);
            ++taken_;
            NodeReader reader(element, *failure_);
            return read(reader);
        }
        bool buffer_rest(Buffer& buffer) {
            for (; taken_ < count_; ++taken_) {
                buffer.payload.items.push_back(payload_ ? payload_->items[taken_]
                                                        : &node::element(*array_, taken_));
            }
            return true;
        }
        // Surplus elements fail.
        bool end() {
            if (taken_ == count_) return true;
            if (Buffered) {
                return failure_->fail(
                    messages::invalid_length(count_, messages::elements_in_sequence(taken_)));
            }
            return failure_->fail(messages::invalid_length(count_, "fewer elements in array"));
        }

      private:
        const Node* array_ = nullptr;
        const Payload<Node>* payload_ = nullptr;
        std::size_t count_ = 0;
        std::size_t taken_ = 0;
        Failure* failure_;
    };

  private:
    template <class Visitor>
    bool read_array(Visitor& visitor) {
        Seq seq(*value_, *failure_);
        return visitor.visit_seq(seq) && seq.end();
    }

    bool read_number(Number& out, std::string_view expected) {
        if (!payload_ && !node::is_binary(*value_)) {
            const node::Kind k = node::kind(*value_);
            if (k == node::Kind::Unsigned || k == node::Kind::Signed || k == node::Kind::Float) {
                out = node::number(*value_);
                return true;
            }
        }
        return wrong_type(expected);
    }

    bool wrong_type(std::string_view expected) {
        std::string found;
        if (payload_) {
            found = payload_->is_map ? messages::found_map() : messages::found_sequence();
        } else {
            found = node::found(*value_);
        }
        return failure_->fail(messages::invalid_type(found, expected));
    }

    const Node* value_ = nullptr;
    const Payload<Node>* payload_ = nullptr;
    Failure* failure_;
};

}  // namespace ondrix_engine::json
