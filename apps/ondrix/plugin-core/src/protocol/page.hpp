#pragma once

// The plug-in's side of the editor page conversation: one invoke message in, the replies and
// page changes out, for the editor host to carry out.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core.hpp"

namespace ondrix_plugin_core::protocol {

// Deliver this JSON message text to the page (wrapped with `script`).
struct Eval {
    std::string text;
    friend bool operator==(const Eval&, const Eval&) = default;
};

// Set the page zoom to this factor (0.5 to 2.0).
struct Zoom {
    double factor;
    friend bool operator==(const Zoom&, const Zoom&) = default;
};

// What the editor host must do after a message. Thread: main thread; a plain value.
using Action = std::variant<Eval, Zoom>;

// The script that hands a message text to the page: it does nothing in a page that has not set
// up its plug-in receiver.
std::string script(std::string_view message);
// The same script in three parts, the message itself in the middle, for a host that can send it
// on without joining them.
std::array<std::string_view, 3> script_parts(std::string_view message);

// One open editor page. Thread: main thread only; owned by the editor's message handler.
class Page {
  public:
    // Answers one message from the page. Returns the actions in the order the host must apply
    // them: at most one Zoom or one Eval of the loaded message, then the Eval of the reply. A
    // text that is longer than MAX_DOCUMENT_BYTES, not JSON or not an invoke gives no actions.
    std::vector<Action> handle(Core& core, std::string_view message);

    // The core's loaded-state epoch as this page last saw it.
    std::uint32_t seen_epoch = 0;

  private:
    // The last live values taken. The page polls them every display frame, and its trace buffer,
    // kept here, spares each poll a new one.
    Live live_;
};

}  // namespace ondrix_plugin_core::protocol
