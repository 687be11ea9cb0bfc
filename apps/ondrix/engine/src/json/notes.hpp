#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ondrix_engine::json {

// What a read of a text noticed without failing, for a caller that asks for it: the keys that
// records passed over, and what a type's reader pointed out about a value it took. Each is placed
// at the byte offset just past the key or the value, the place an error there would be reported
// at (messages::position gives its line and column). A read without notes is the same read.
// Thread: the reading thread. Owner: the caller of the read.
struct Notes {
    struct IgnoredKey {
        std::string key;
        std::size_t at;
    };
    struct Remark {
        std::string message;
        std::size_t at;
    };

    std::vector<IgnoredKey> ignored_keys;
    std::vector<Remark> remarks;
};

}  // namespace ondrix_engine::json
