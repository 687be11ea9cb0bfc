#pragma once

// A double as a JSON number, in exactly the text the JSON library writes for it everywhere else
// (state documents, replies): its Grisu2 digits, "1.0" for whole numbers, "1e-05" and "1e+16"
// outside 1e-4 to 1e15.

#include <cstddef>

namespace ondrix_plugin_core::protocol {

// The longest text write_number gives ("-2.2250738585072014e-308").
inline constexpr std::size_t MAX_NUMBER_TEXT = 24;

// Writes finite `value` at `out`, which must have room for MAX_NUMBER_TEXT characters (all of
// them may be written), and returns the length of the text.
std::size_t write_number(char* out, double value);

}  // namespace ondrix_plugin_core::protocol
