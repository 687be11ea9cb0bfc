#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace ondrix_engine::json {

// The entries of a tagged value other than its tag, as pointers into the value they came from:
// an object's other entries in the order met, or an array's elements after the tag. An entry
// read from a text keeps the offset just past its key (Failure::kUnplaced for a tree's).
// Thread: the reading thread. Owner: the read in progress; the nodes belong to the tree or to
// the text reader's buffer.
template <class Node>
struct Payload {
    struct Entry {
        std::string_view key;
        const Node* value;
        std::size_t key_end;
    };

    bool is_map = true;
    std::vector<Entry> entries;
    std::vector<const Node*> items;
};

}  // namespace ondrix_engine::json
