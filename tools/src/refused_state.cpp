#include "refused_state.hpp"

#include <string>

#include <nlohmann/json.hpp>

#include "document_limit.hpp"
#include "json/parse.hpp"
#include "refusal.hpp"
#include "state_document.hpp"

namespace ondrix_tools {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool is_state_document(const nlohmann::json& tree) {
    return tree.is_object() && tree.contains("patch");
}

// Why the plug-in refuses the bare patch in `file` (read as `text`, with the positions of the
// file) once the host has wrapped it in a state document as it is, white space included.
std::string bare_patch_reason(std::string_view file, std::string_view text) {
    if (auto refused = ondrix_plugin_core::patch_refusal(text)) return *refused;
    if (state_document_from_file(file).size() > ondrix_plugin_core::MAX_DOCUMENT_BYTES) {
        return std::string(ondrix_plugin_core::PATCH_TOO_LARGE);
    }
    return {};
}

}  // namespace

std::string refused_state_reason(std::string_view file) {
    if (file.size() > ondrix_plugin_core::MAX_DOCUMENT_BYTES) {
        return std::string(ondrix_plugin_core::STATE_TOO_LARGE);
    }
    const auto tree = ondrix_engine::json::parse(file);
    if (tree) {
        if (!is_state_document(tree.value())) return bare_patch_reason(file, file);
        return ondrix_plugin_core::state_refusal(file).value_or(std::string());
    }
    // A bare patch may open with a byte-order mark, which the host leaves out; read with the
    // mark's bytes as spaces, its positions stay the file's.
    if (!file.starts_with(kByteOrderMark)) return tree.error();
    std::string text(file);
    text.replace(0, kByteOrderMark.size(), kByteOrderMark.size(), ' ');
    const auto after_mark = ondrix_engine::json::parse(text);
    if (!after_mark) return after_mark.error();
    // A state document is passed on as it is, mark included.
    if (is_state_document(after_mark.value())) return tree.error();
    return bare_patch_reason(file, text);
}

}  // namespace ondrix_tools
