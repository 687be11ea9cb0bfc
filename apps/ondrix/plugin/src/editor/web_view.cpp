#include "editor/web_view.hpp"

#include <string>
#include <utility>

namespace vantrel_ondrix_plugin::editor {
namespace {

WebViewFactory& installed_factory() {
    static WebViewFactory factory;
    return factory;
}

}  // namespace

void WebView::evaluate_script_parts(std::span<const std::string_view> parts) {
    std::string script;
    for (const std::string_view part : parts) script += part;
    evaluate_script(script);
}

void set_web_view_factory(WebViewFactory factory) {
    installed_factory() = std::move(factory);
}

std::unique_ptr<WebView> make_web_view(HostView parent, WebViewConfig config) {
    const WebViewFactory& factory = installed_factory();
    if (!factory) return make_platform_web_view(parent, std::move(config));
    return factory(parent, std::move(config));
}

bool web_view_needs_host_loop() {
#if defined(__APPLE__)
    return false;
#else
    return !installed_factory();
#endif
}

}  // namespace vantrel_ondrix_plugin::editor
