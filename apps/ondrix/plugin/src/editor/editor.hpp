#pragma once

// The editor behind the CLAP gui extension: its page, size and web view.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "core.hpp"
#include "editor/page.hpp"
#include "editor/web_view.hpp"

namespace vantrel_ondrix_plugin::editor {

inline constexpr std::uint32_t DEFAULT_WIDTH = 1180;
inline constexpr std::uint32_t DEFAULT_HEIGHT = 760;
inline constexpr double MIN_WIDTH = 900.0;
inline constexpr double MIN_HEIGHT = 560.0;

// What the web view is made with; the texts a page in plug-in mode relies on.
inline constexpr std::string_view SCHEME = "ondrix";
inline constexpr std::string_view START_URL = "ondrix://localhost/index.html";
inline constexpr std::string_view PLUGIN_FLAG_SCRIPT = "window.__VANTREL_PLUGIN__ = true";
inline constexpr std::string_view IPC_SCRIPT =
    "Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: function(s) { "
    "window.webkit.messageHandlers.ipc.postMessage(s) } }) });";
inline constexpr std::string_view HANDLER = "ipc";

// The failures of the editor's calls, as the host's log shows them.
inline constexpr std::string_view NO_WINDOW = "The host didn't give the editor a window";
inline constexpr std::string_view NO_EDITOR = "No editor";
inline constexpr std::string_view NO_WEB_VIEW = "Couldn't create the editor's web view";
inline constexpr std::string_view NOT_RESIZED = "Couldn't resize the editor";
inline constexpr std::string_view NO_HOST_LOOP =
    "The host can't run the editor: it offers neither clap.posix-fd-support nor "
    "clap.timer-support";

// A failed call's text, or none.
using Failure = std::optional<std::string_view>;

// The editor of one plug-in instance: absent until create, then a page with a size, and a web
// view once set_parent succeeds. Every release of the page (destroy, create again, the editor's
// own end) closes it, so its web view, the handler and the handler's Core reference go.
// Thread: main thread only. Owner: the instance's MainThread.
class Editor {
  public:
    Editor() = default;
    ~Editor();
    Editor(Editor&& other) noexcept = default;
    Editor& operator=(Editor&&) = delete;
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // A new page without a web view, 1180 x 760 at scale 1.0; an earlier page is released.
    void create();
    void destroy();

    // Makes the web view inside `parent` (null: the host gave no usable window), served by
    // `loop` (null: the host offers no main-thread services). Its message handler passes the
    // page's messages with `core` to handle_message and calls `on_patch_changed` after each
    // message that changed the patch. On failure the page keeps the web view it had.
    Failure set_parent(HostView parent, const std::shared_ptr<ondrix_plugin_core::Core>& core,
                       std::function<void()> on_patch_changed, HostLoop* loop);

    // Stores the size, then resizes the web view if there is one.
    Failure set_size(std::uint32_t width, std::uint32_t height);

    // The size made at least the minimum of round(900 s) x round(560 s) at the editor's scale.
    std::pair<std::uint32_t, std::uint32_t> adjust_size(std::uint32_t width,
                                                        std::uint32_t height) const;

    // The stored size while an editor exists.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> size() const;

    void show();
    void hide();
    // Lets the web view do the work its host loop watch woke it for.
    void pump();

    // The web view's rectangle for a size.
    static Bounds bounds(std::uint32_t width, std::uint32_t height);

    // The current page, or null.
    const std::shared_ptr<Page>& page() const { return page_; }

  private:
    void release();
    void set_hidden(bool hidden);

    std::shared_ptr<Page> page_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    double scale_ = 1.0;
};

}  // namespace vantrel_ondrix_plugin::editor
