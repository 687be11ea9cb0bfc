#pragma once

// The value of a "live_values" reply, written straight as JSON text: the page asks for it once
// per display frame, and a tree of a few thousand numbers costs far more than the text.

#include <string>

#include "core.hpp"

namespace ondrix_plugin_core::protocol {

// {"outputs":[64 numbers],"sources":[64 numbers],"trace":[numbers]}: each float widened to a
// double and written as the JSON library writes it, null where it is not finite.
std::string live_text(const Live& live);

}  // namespace ondrix_plugin_core::protocol
