#pragma once

// The system web view as the editor uses it. A platform layer supplies the real one through the
// process-wide factory; where there is none (Linux), no web view is made and the editor cannot
// open.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/serve.hpp"

namespace vantrel_ondrix_plugin::editor {

// A rectangle in logical units (points), relative to the parent view.
struct Bounds {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

// A script the web view runs when each document starts.
struct UserScript {
    std::string source;
    bool main_frame_only = false;
};

// Everything a web view is made with, in the order it is set up. The two callbacks run on the
// main thread, called by the web view. Thread: main thread. Owner: the web view made from it.
struct WebViewConfig {
    // The custom URL scheme and what answers its requests (the address of each).
    std::string scheme;
    std::function<Response(std::string_view url)> on_request;
    // Run at document start, in this order.
    std::vector<UserScript> scripts;
    std::string start_url;
    Bounds bounds;
    // The message handler: the page's posts under this name go to on_message.
    std::string handler;
    std::function<void(std::string_view message)> on_message;
};

// One web view, a child of the host's view. Thread: main thread only. Owner: the editor page
// (shared only for the length of a call into it, so that a call may outlive its release).
class WebView {
  public:
    virtual ~WebView() = default;

    // Moves and resizes the view; false when the view refuses.
    virtual bool set_bounds(const Bounds& bounds) = 0;
    virtual void set_hidden(bool hidden) = 0;
    virtual void set_page_zoom(double factor) = 0;
    // Runs a script in the page, without waiting for its result; failures are the page's.
    virtual void evaluate_script(std::string_view script) = 0;
};

// The host's parent view of a window (an NSView on macOS).
using HostView = void*;

// Makes a web view inside `parent`; null when it cannot. Thread: main thread.
using WebViewFactory =
    std::function<std::unique_ptr<WebView>(HostView parent, WebViewConfig config)>;

// Installs the process-wide factory; an empty one restores the default, which makes none.
// Thread: main thread.
void set_web_view_factory(WebViewFactory factory);

// A web view from the installed factory, or null. Thread: main thread.
std::unique_ptr<WebView> make_web_view(HostView parent, WebViewConfig config);

}  // namespace vantrel_ondrix_plugin::editor
