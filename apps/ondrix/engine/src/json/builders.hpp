#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "json/content.hpp"
#include "json/failure.hpp"

// What TextReader::read_any makes of the values it reads.
namespace ondrix_engine::json::builders {

// Reads and checks a value, keeping nothing.
struct Skip {
    struct Value {};
    Value slot;

    void null(Value&) {}
    void boolean(Value&, bool) {}
    void number(Value&, const Number&) {}
    void string(Value&, std::string_view) {}
    void array(Value&) {}
    Value& push(Value&) { return slot; }
    void object(Value&) {}
    Value& entry(Value&, std::string_view, std::size_t) { return slot; }
};

// Keeps the value as written, entries in document order, repeated keys included, each key with
// the offset just past it.
struct Buffer {
    using Value = Content;

    void null(Value& out) { out.kind = Content::Kind::Null; }
    void boolean(Value& out, bool value) {
        out.kind = Content::Kind::Bool;
        out.boolean = value;
    }
    void number(Value& out, const Number& value) {
        switch (value.kind) {
            case Number::Kind::Unsigned:
                out.kind = Content::Kind::Unsigned;
                out.unsigned_value = value.unsigned_value;
                break;
            case Number::Kind::Signed:
                out.kind = Content::Kind::Signed;
                out.signed_value = value.signed_value;
                break;
            case Number::Kind::Float:
                out.kind = Content::Kind::Float;
                out.float_value = value.float_value;
                break;
        }
    }
    void string(Value& out, std::string_view value) {
        out.kind = Content::Kind::String;
        out.text.assign(value);
    }
    void array(Value& out) { out.kind = Content::Kind::Array; }
    Value& push(Value& array) { return array.items.emplace_back(); }
    void object(Value& out) { out.kind = Content::Kind::Object; }
    Value& entry(Value& object, std::string_view key, std::size_t key_end) {
        object.keys.emplace_back(key);
        object.key_ends.push_back(key_end);
        return object.items.emplace_back();
    }
};

// Builds a tree: one value per key, the last one given.
struct Tree {
    using Value = nlohmann::json;

    void null(Value& out) { out = nullptr; }
    void boolean(Value& out, bool value) { out = value; }
    void number(Value& out, const Number& value) {
        switch (value.kind) {
            case Number::Kind::Unsigned:
                out = value.unsigned_value;
                break;
            case Number::Kind::Signed:
                out = value.signed_value;
                break;
            case Number::Kind::Float:
                out = value.float_value;
                break;
        }
    }
    void string(Value& out, std::string_view value) { out = std::string(value); }
    void array(Value& out) { out = Value::array(); }
    Value& push(Value& array) {
        auto& items = array.get_ref<Value::array_t&>();
        items.emplace_back();
        return items.back();
    }
    void object(Value& out) { out = Value::object(); }
    Value& entry(Value& object, std::string_view key, std::size_t) {
        auto& entries = object.get_ref<Value::object_t&>();
        const auto at = entries.lower_bound(key);
        if (at != entries.end() && at->first == key) return at->second;
        return entries.emplace_hint(at, key, nullptr)->second;
    }
};

}  // namespace ondrix_engine::json::builders
