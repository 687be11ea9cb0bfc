#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

#include "json/result.hpp"

namespace ondrix_engine::json {

// Parses one JSON text into a tree: objects keep one value per key (the last one given) in
// ascending key order; numbers stay unsigned 64-bit, signed 64-bit or double as written (an
// integer beyond both 64-bit ranges, and "-0", become doubles). Strings must be valid UTF-8.
// Nesting is limited to 127 levels. Errors read like "expected `,` or `]` at line 3 column 7".
// Thread: any; keeps no state between calls.
Result<nlohmann::json> parse(std::string_view text);

}  // namespace ondrix_engine::json
