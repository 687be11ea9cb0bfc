#include "editor/page.hpp"

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include "json/parse.hpp"

namespace vantrel_ondrix_plugin::editor {
namespace {

namespace protocol = ondrix_plugin_core::protocol;

// Whether `message` is an invoke of set_patch (the one command that changes the patch).
bool is_set_patch(std::string_view message) {
    const auto parsed = ondrix_engine::json::parse(message);
    if (!parsed) return false;
    const nlohmann::json& tree = parsed.value();
    if (!tree.is_object()) return false;
    const auto cmd = tree.find("cmd");
    return cmd != tree.end() && cmd->is_string() &&
           cmd->get_ref<const std::string&>() == "set_patch";
}

}  // namespace

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
    std::optional<std::optional<nlohmann::json>> before;
    if (is_set_patch(message)) before = core.patch_json();

    const std::vector<protocol::Action> actions = page.protocol().handle(core, message);
    const bool changed = before && core.patch_json() != *before;

    for (const protocol::Action& action : actions) {
        const std::shared_ptr<WebView> view = page.web_view();
        if (!view) continue;
        std::visit(
            [&view](const auto& todo) {
                if constexpr (std::is_same_v<std::decay_t<decltype(todo)>, protocol::Zoom>) {
                    view->set_page_zoom(todo.factor);
                } else {
                    view->evaluate_script(protocol::script(todo.text));
                }
            },
            action);
    }
    return changed;
}

}  // namespace vantrel_ondrix_plugin::editor
