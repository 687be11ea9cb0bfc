#include "state_document.hpp"

#include <nlohmann/json.hpp>

namespace ondrix_tools {

bool is_state_document(const nlohmann::json& tree) {
    return tree.is_object() && tree.contains("patch");
}

std::string state_document_from_file(std::string_view text) {
    const nlohmann::json tree = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (tree.is_discarded() || is_state_document(tree)) return std::string(text);
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::string wrapped = "{\"patch\":";
    wrapped.append(text);
    wrapped.append(",\"version\":1}");
    return wrapped;
}

}  // namespace ondrix_tools
