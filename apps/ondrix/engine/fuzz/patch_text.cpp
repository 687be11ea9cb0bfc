// Feeds arbitrary bytes to the patch text reader and the JSON parser. Besides surviving every
// input, the two readers must agree: when the text parses into a tree and no object in it holds a
// key twice, reading the patch from the text succeeds exactly when reading it from the tree does,
// and both give the same patch. A text read that also takes notes reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>

#include "json/content.hpp"
#include "json/parse.hpp"
#include "json/text_reader.hpp"
#include "settings/patch.hpp"

namespace {

using ondrix_engine::json::Content;

bool has_repeated_key(const Content& value) {
    if (value.kind == Content::Kind::Object) {
        std::unordered_set<std::string_view> keys;
        for (const std::string& key : value.keys) {
            if (!keys.insert(key).second) return true;
        }
    }
    for (const Content& item : value.items) {
        if (has_repeated_key(item)) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ondrix_engine::settings::Patch;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto from_text = Patch::from_json_text(text);
    ondrix_engine::json::Notes notes;
    const auto warned = Patch::from_json_text(text, notes);
    if (warned.ok() != from_text.ok()) std::abort();
    if (warned.ok() ? !(warned.value() == from_text.value()) : warned.error() != from_text.error())
        std::abort();
    const auto tree = ondrix_engine::json::parse(text);
    if (!tree.ok()) {
        if (from_text.ok()) std::abort();  // the text reader accepted malformed JSON
        return 0;
    }
    (void)tree.value().dump();  // every parsed tree can be written

    ondrix_engine::json::TextReader reader(text);
    Content content;
    if (!reader.buffer(content)) std::abort();  // parse accepted it, so must the reader
    if (has_repeated_key(content)) return 0;

    const auto from_tree = Patch::from_json_tree(tree.value());
    if (from_text.ok() != from_tree.ok()) std::abort();
    if (from_text.ok() && !(from_text.value() == from_tree.value())) std::abort();
    return 0;
}
