#include "refusal.hpp"

#include <nlohmann/json.hpp>

#include "core.hpp"
#include "document_limit.hpp"
#include "json/parse.hpp"
#include "patch_text.hpp"
#include "settings/patch.hpp"

namespace ondrix_plugin_core {
namespace {

namespace json = ondrix_engine::json;
using ondrix_engine::settings::Patch;

// Why the plug-in refuses `patch` as the patch of a state document (null is none, and keeps the
// current one), where `patch` is the tree of the value that `text` holds alone (everything else
// white space), with the position in `text`.
std::optional<std::string> tree_refusal(const nlohmann::json& patch, std::string_view text,
                                        json::Notes& notes) {
    if (patch.is_null()) return std::nullopt;
    const auto read = Patch::from_json_tree(patch);
    // The text reader gives the positions and the notes. It reads the text as the tree holds it;
    // should it still find nothing wrong, the tree reader's message stands.
    const auto located = Patch::from_json_text(as_the_tree_holds(text, notes), notes);
    if (!read) return located ? read.error() : located.error();
    if (!fits_in_state(patch)) return std::string(PATCH_TOO_LARGE);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> patch_refusal(std::string_view text) {
    const auto read = Patch::from_json_text(text);
    if (!read) return read.error();
    const auto tree = json::parse(text);
    if (!tree) return tree.error();
    if (!fits_in_state(tree.value())) return std::string(PATCH_TOO_LARGE);
    return std::nullopt;
}

std::optional<std::string> state_refusal(std::string_view document) {
    json::Notes unused;
    return state_refusal(document, unused);
}

std::optional<std::string> state_refusal(std::string_view document, json::Notes& notes) {
    if (document.size() > MAX_DOCUMENT_BYTES) return std::string(STATE_TOO_LARGE);
    const auto tree = json::parse(document);
    if (!tree) return tree.error();
    const nlohmann::json& state = tree.value();
    if (!state.is_object()) return std::nullopt;
    const auto patch = state.find("patch");
    if (patch == state.end()) return std::nullopt;
    return tree_refusal(*patch, only_the_patch(document), notes);
}

std::optional<std::string> patch_tree_refusal(std::string_view text, json::Notes& notes) {
    const auto tree = json::parse(text);
    if (!tree) return tree.error();
    return tree_refusal(tree.value(), text, notes);
}

}  // namespace ondrix_plugin_core
