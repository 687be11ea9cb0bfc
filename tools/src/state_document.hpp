// What the command-line host loads as a plug-in state from a file.
#pragma once

#include <string>
#include <string_view>

namespace ondrix_tools {

// A JSON object with a "patch" member is a state document and is loaded as it is. Any other JSON
// text is taken for a bare patch and wrapped, byte for byte, as {"patch":<text>,"version":1}.
// Text that is not JSON is passed on unchanged, for the plug-in to refuse.
std::string state_document_from_file(std::string_view text);

}  // namespace ondrix_tools
