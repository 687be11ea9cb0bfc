#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ondrix_engine::json {

// A JSON value taken from the text as written: object entries stay in document order and a key
// may repeat. The text reader keeps the entries of a tagged value this way until it knows the tag.
// Thread: the reading thread. Owner: the read in progress.
struct Content {
    enum class Kind : std::uint8_t { Null, Bool, Unsigned, Signed, Float, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    std::uint64_t unsigned_value = 0;
    std::int64_t signed_value = 0;
    double float_value = 0.0;
    std::string text;
    std::vector<Content> items;         // array elements, or object values
    std::vector<std::string> keys;      // object keys, one per item
    std::vector<std::size_t> key_ends;  // per key, the offset in the text just past it
};

}  // namespace ondrix_engine::json
