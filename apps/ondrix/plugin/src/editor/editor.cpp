#include "editor/editor.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantrel_ondrix_plugin::editor {
namespace {

// What the message handler of one web view reaches. Thread: main thread. Owner: the page, which
// holds the one lasting reference until it releases that web view; the handler holds it weakly,
// and strongly only while it handles a message.
struct Handler {
    std::weak_ptr<Page> page;
    std::shared_ptr<ondrix_plugin_core::Core> core;
    std::function<void()> on_patch_changed;
};

void on_message(const std::weak_ptr<Handler>& weak, std::string_view message) {
    const std::shared_ptr<Handler> handler = weak.lock();
    if (!handler) return;
    // Held for the whole call: a reply script may post again or even destroy the editor.
    const std::shared_ptr<Page> page = handler->page.lock();
    if (!page) return;
    const std::shared_ptr<ondrix_plugin_core::Core> core = handler->core;
    if (handle_message(*page, *core, message) && handler->on_patch_changed) {
        handler->on_patch_changed();
    }
}

std::uint32_t minimum(double size, double scale) {
    const double rounded = std::round(size * scale);
    return static_cast<std::uint32_t>(
        std::clamp(rounded, 0.0, double{std::numeric_limits<std::uint32_t>::max()}));
}

}  // namespace

Editor::~Editor() {
    release();
}

void Editor::release() {
    if (!page_) return;
    page_->close();
    page_.reset();
}

void Editor::create() {
    release();
    page_ = std::make_shared<Page>();
    width_ = DEFAULT_WIDTH;
    height_ = DEFAULT_HEIGHT;
    scale_ = 1.0;
}

void Editor::destroy() {
    release();
}

Failure Editor::set_parent(HostView parent, const std::shared_ptr<ondrix_plugin_core::Core>& core,
                           std::function<void()> on_patch_changed, HostLoop* loop) {
    if (!parent) return NO_WINDOW;
    if (!page_) return NO_EDITOR;
    if (loop == nullptr && web_view_needs_host_loop()) return NO_HOST_LOOP;

    auto handler = std::make_shared<Handler>(Handler{page_, core, std::move(on_patch_changed)});
    WebViewConfig config;
    config.scheme = SCHEME;
    config.on_request = [](std::string_view url) { return serve(url); };
    config.scripts = {{std::string(PLUGIN_FLAG_SCRIPT), true}, {std::string(IPC_SCRIPT), false}};
    config.start_url = START_URL;
    config.bounds = bounds(width_, height_);
    config.handler = HANDLER;
    config.on_message = [weak = std::weak_ptr<Handler>(handler)](std::string_view message) {
        on_message(weak, message);
    };
    config.loop = loop;

    std::unique_ptr<WebView> view = make_web_view(parent, std::move(config));
    if (!view) return NO_WEB_VIEW;
    page_->attach(std::move(view), std::move(handler));
    return std::nullopt;
}

Failure Editor::set_size(std::uint32_t width, std::uint32_t height) {
    if (!page_) return NO_EDITOR;
    width_ = width;
    height_ = height;
    if (const auto view = page_->web_view(); view && !view->set_bounds(bounds(width, height))) {
        return NOT_RESIZED;
    }
    return std::nullopt;
}

std::pair<std::uint32_t, std::uint32_t> Editor::adjust_size(std::uint32_t width,
                                                            std::uint32_t height) const {
    const double scale = page_ ? scale_ : 1.0;
    return {std::max(width, minimum(MIN_WIDTH, scale)),
            std::max(height, minimum(MIN_HEIGHT, scale))};
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> Editor::size() const {
    if (!page_) return std::nullopt;
    return std::pair{width_, height_};
}

void Editor::show() {
    set_hidden(false);
}

void Editor::hide() {
    set_hidden(true);
}

void Editor::pump() {
    if (!page_) return;
    if (const auto view = page_->web_view()) view->pump();
}

void Editor::set_hidden(bool hidden) {
    if (!page_) return;
    if (const auto view = page_->web_view()) view->set_hidden(hidden);
}

Bounds Editor::bounds(std::uint32_t width, std::uint32_t height) {
    return Bounds{0.0, 0.0, static_cast<double>(width), static_cast<double>(height)};
}

}  // namespace vantrel_ondrix_plugin::editor
