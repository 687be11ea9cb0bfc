#include "editor/page.hpp"

#include <cstdint>
#include <type_traits>
#include <utility>
#include <variant>

namespace vantrel_ondrix_plugin::editor {

namespace protocol = ondrix_plugin_core::protocol;

void Page::attach(std::unique_ptr<WebView> view, std::shared_ptr<const void> handler_token) {
    // The old pair goes when this function returns, after the page holds the new one.
    auto old_view = std::exchange(web_view_, std::move(view));
    auto old_token = std::exchange(handler_token_, std::move(handler_token));
}

void Page::close() {
    auto old_view = std::exchange(web_view_, nullptr);
    auto old_token = std::exchange(handler_token_, nullptr);
}

bool handle_message(Page& page, ondrix_plugin_core::Core& core, std::string_view message) {
    const std::uint32_t before = core.patch_revision();
    const std::vector<protocol::Action> actions = page.protocol().handle(core, message);
    const bool changed = core.patch_revision() != before;

    for (const protocol::Action& action : actions) {
        const std::shared_ptr<WebView> view = page.web_view();
        if (!view) continue;
        std::visit(
            [&view](const auto& todo) {
                if constexpr (std::is_same_v<std::decay_t<decltype(todo)>, protocol::Zoom>) {
                    view->set_page_zoom(todo.factor);
                } else {
                    view->evaluate_script_parts(protocol::script_parts(todo.text));
                }
            },
            action);
    }
    return changed;
}

}  // namespace vantrel_ondrix_plugin::editor
