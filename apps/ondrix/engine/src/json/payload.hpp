#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace ondrix_engine::json {

// The entries of a tagged value other than its tag, as pointers into the value they came from:
// an object's other entries in the order met, or an array's elements after the tag.
// Thread: the reading thread. Owner: the read in progress; the nodes belong to the tree or to
// the text reader's buffer.
template <class Node>
struct Payload {
    bool is_map = true;
    std::vector<std::pair<std::string_view, const Node*>> entries;
    std::vector<const Node*> items;
};

}  // namespace ondrix_engine::json
