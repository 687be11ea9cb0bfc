// What the command-line host loads as a plug-in state from a file.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace ondrix_tools {

// May open a file, but not the inside of a JSON document.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A JSON object with a "patch" member.
bool is_state_document(const nlohmann::json& tree);

// A state document is loaded as it is. Any other JSON text is taken for a bare patch and
// wrapped, byte for byte (but for a byte-order mark), as {"patch":<text>,"version":1}. Text that
// is not JSON is passed on unchanged, for the plug-in to refuse.
std::string state_document_from_file(std::string_view text);

}  // namespace ondrix_tools
