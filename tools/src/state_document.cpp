#include "state_document.hpp"

#include <nlohmann/json.hpp>

namespace ondrix_tools {

std::string state_document_from_file(std::string_view text) {
    const nlohmann::json tree = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (tree.is_discarded()) return std::string(text);
    if (tree.is_object() && tree.contains("patch")) return std::string(text);
    // A byte-order mark may open a file but not the inside of a JSON document.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(3);
    std::string wrapped = "{\"patch\":";
    wrapped.append(text);
    wrapped.append(",\"version\":1}");
    return wrapped;
}

}  // namespace ondrix_tools
