#pragma once

// The system web view as the editor uses it. A platform layer supplies the real one as the
// process-wide default factory (on Linux: WebKitGTK in a helper process); tests install their own.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/bounds.hpp"
#include "editor/serve.hpp"

namespace vantrel_ondrix_plugin::editor {

// A script the web view runs when each document starts.
struct UserScript {
    std::string source;
    bool main_frame_only = false;
};

// What the host lends a web view on its main thread: a watch on a file descriptor (where the host
// can only run timers, a steady poll instead) after which the editor pumps the web view, and the
// host's log. Thread: main thread. Owner: the plug-in instance; it outlives every web view made
// with it.
class HostLoop {
  public:
    virtual ~HostLoop() = default;

    // Has the web view pumped when `fd` is readable, and also when it is writable while
    // `writable`; a second call changes what the watch of `fd` waits for. False when the host
    // refused.
    virtual bool watch(int fd, bool writable) = 0;
    virtual void unwatch(int fd) = 0;
    // A line in the host's log, as an error.
    virtual void log(std::string_view message) = 0;
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
    // The host's main-thread services; null where the host offers none.
    HostLoop* loop = nullptr;
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
    // Runs the script made of `parts` one after the other. A view that can pass the parts on as
    // they are overrides this; by default they are joined and run by evaluate_script.
    virtual void evaluate_script_parts(std::span<const std::string_view> parts);
    // Does the work the host loop's watch woke it for.
    virtual void pump() {}
};

// The host's parent view of a window: an NSView on macOS, an X11 window id on Linux.
#if defined(__APPLE__)
using HostView = void*;
#else
using HostView = std::uint64_t;
#endif

// Makes a web view inside `parent`; null when it cannot. Thread: main thread.
using WebViewFactory =
    std::function<std::unique_ptr<WebView>(HostView parent, WebViewConfig config)>;

// Installs the process-wide factory; an empty one restores the platform's default.
// Thread: main thread.
void set_web_view_factory(WebViewFactory factory);

// A web view from the installed factory, or null. Thread: main thread.
std::unique_ptr<WebView> make_web_view(HostView parent, WebViewConfig config);

// True when the factory in use needs the config's host loop to run a web view (the platform's
// default on Linux). Thread: main thread.
bool web_view_needs_host_loop();

// The platform's own web view (WebKitGTK in a helper process on Linux), or null where it cannot
// be made; its failures go to the config's host loop log. Thread: main thread.
std::unique_ptr<WebView> make_platform_web_view(HostView parent, WebViewConfig config);

}  // namespace vantrel_ondrix_plugin::editor
