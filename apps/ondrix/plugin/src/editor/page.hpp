#pragma once

// One open editor page: its web view, and the conversation with the page shown in it.

#include <memory>
#include <string_view>

#include "core.hpp"
#include "editor/web_view.hpp"
#include "protocol/page.hpp"

namespace vantrel_ondrix_plugin::editor {

// The editor page made by the gui's create: the protocol state of the page, and the web view
// once set_parent has made one. Thread: main thread only. Owner: the MainThread's editor; the
// web view's message handler reaches it only weakly, and a message being handled keeps it alive
// until the handling returns.
class Page {
  public:
    Page() = default;
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    ondrix_plugin_core::protocol::Page& protocol() { return protocol_; }

    // The current web view, or null. Callers hold the pointer only while they use it.
    std::shared_ptr<WebView> web_view() const { return web_view_; }

    // Takes `view` and the token its message handler holds, releasing any earlier pair (the
    // earlier handler then does nothing).
    void attach(std::unique_ptr<WebView> view, std::shared_ptr<const void> handler_token);

    // Releases the web view and its handler's token: what the handler held (this page, the
    // Core) is let go, and messages from the released web view do nothing.
    void close();

  private:
    std::shared_ptr<WebView> web_view_;
    std::shared_ptr<const void> handler_token_;
    ondrix_plugin_core::protocol::Page protocol_;
};

// Passes one message of the page to the protocol, then applies each resulting action to the web
// view, looked up again for each (an action can run code that releases it): Zoom sets the page
// zoom, Eval evaluates the reply script. Without a web view the actions are dropped. Returns
// true when the message changed the Core's patch.
bool handle_message(Page& page, ondrix_plugin_core::Core& core, std::string_view message);

}  // namespace vantrel_ondrix_plugin::editor
