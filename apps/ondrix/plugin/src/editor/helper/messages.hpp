#pragma once

// What the plug-in and its web view helper say to each other, one message per frame. Bounds are
// in the parent window's pixels (the editor's logical units, its scale being 1).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "editor/bounds.hpp"

namespace vantrel_ondrix_plugin::editor::helper {

struct Script {
    std::string source;
    bool main_frame_only = false;
    friend bool operator==(const Script&, const Script&) = default;
};

// Plug-in to helper. The first message is always Open.
struct Open {
    std::uint64_t parent = 0;  // the host's X11 window
    Bounds bounds;
    std::string scheme;
    std::vector<Script> scripts;  // run at document start, in this order
    std::string start_url;
    std::string handler;  // the script message handler's name
    friend bool operator==(const Open&, const Open&) = default;
};
struct Evaluate {
    std::string script;
    friend bool operator==(const Evaluate&, const Evaluate&) = default;
};
struct Zoom {
    double factor = 1.0;
    friend bool operator==(const Zoom&, const Zoom&) = default;
};
struct Move {
    Bounds bounds;
    friend bool operator==(const Move&, const Move&) = default;
};
struct Hide {
    bool hidden = false;
    friend bool operator==(const Hide&, const Hide&) = default;
};
// The answer to Request `id`.
struct Reply {
    std::uint64_t id = 0;
    std::uint16_t status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    friend bool operator==(const Reply&, const Reply&) = default;
};
using ToHelper = std::variant<Open, Evaluate, Zoom, Move, Hide, Reply>;

// Helper to plug-in.
// The web view is made and embedded; `window` is the helper's window inside the parent.
struct Ready {
    std::uint64_t window = 0;
    friend bool operator==(const Ready&, const Ready&) = default;
};
// A text the page posted to the message handler.
struct Post {
    std::string text;
    friend bool operator==(const Post&, const Post&) = default;
};
// The page asks for an address of the custom scheme; answered by Reply with the same id.
struct Request {
    std::uint64_t id = 0;
    std::string url;
    friend bool operator==(const Request&, const Request&) = default;
};
// The helper cannot go on; it ends after sending this.
struct Failed {
    std::string reason;
    friend bool operator==(const Failed&, const Failed&) = default;
};
using FromHelper = std::variant<Ready, Post, Request, Failed>;

// The helper's exit status when the host destroyed the window it was embedded in: the web view's
// ordinary end, nothing gone wrong.
inline constexpr int PARENT_GONE = 4;

std::string encode(const ToHelper& message);
std::string encode(const FromHelper& message);

// The start of the frame of Evaluate{script} for a script of `script_size` bytes, which the
// script's bytes complete: a long script goes into the socket without being copied into a frame.
std::string evaluate_head(std::size_t script_size);

// The message of a frame; none when the frame is not one (a broken peer).
std::optional<ToHelper> decode_to_helper(std::string_view frame);
std::optional<FromHelper> decode_from_helper(std::string_view frame);

}  // namespace vantrel_ondrix_plugin::editor::helper
