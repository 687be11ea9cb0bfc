#include <cstring>
#include <string_view>

#include "extensions.hpp"
#include "frame.hpp"
#include "protocol/unicode.hpp"

namespace vantrel_ondrix_plugin {
namespace {

using Unit = std::monostate;

// The one window api of this platform and the host view a window of it gives.
struct Platform {
    const char* api;
    editor::HostView (*view)(const clap_window_t& window);
};
#if defined(__APPLE__)
constexpr Platform PLATFORM{CLAP_WINDOW_API_COCOA,
                            [](const clap_window_t& window) -> editor::HostView {
                                return window.cocoa;
                            }};
#else
constexpr Platform PLATFORM{CLAP_WINDOW_API_X11,
                            [](const clap_window_t& window) -> editor::HostView {
                                return window.x11;
                            }};
#endif

bool is_platform_api(const char* api) {
    return api != nullptr && std::strcmp(api, PLATFORM.api) == 0;
}

bool is_api_supported(const clap_plugin_t* plugin, const char* api, bool is_floating) noexcept {
    return run_main_thread(plugin, false, [&](MainThread&) -> Outcome<bool> {
        return is_platform_api(api) && !is_floating;
    });
}

bool get_preferred_api(const clap_plugin_t* plugin, const char** api, bool* is_floating) noexcept {
    return run_main_thread(plugin, false, [&](MainThread&) -> Outcome<bool> {
        if (api == nullptr || is_floating == nullptr) {
            return PluginWrapperError::null_argument("get_preferred_api output");
        }
        *api = PLATFORM.api;
        *is_floating = false;
        return true;
    });
}

bool create(const clap_plugin_t* plugin, const char* /*api*/, bool /*is_floating*/) noexcept {
    return run_main_thread(plugin, false, [](MainThread& main) -> Outcome<bool> {
        main.editor().create();
        return true;
    });
}

void destroy(const clap_plugin_t* plugin) noexcept {
    run_main_thread(plugin, Unit{}, [](MainThread& main) -> Outcome<Unit> {
        main.editor().destroy();
        return Unit{};
    });
}

bool set_scale(const clap_plugin_t* plugin, double /*scale*/) noexcept {
    return run_main_thread(plugin, false, [](MainThread&) -> Outcome<bool> { return true; });
}

bool get_size(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height) noexcept {
    return run_main_thread(plugin, false, [&](MainThread& main) -> Outcome<bool> {
        if (width == nullptr || height == nullptr) return false;
        const auto size = main.editor().size();
        *width = size ? size->first : 0;
        *height = size ? size->second : 0;
        return size.has_value();
    });
}

bool can_resize(const clap_plugin_t* plugin) noexcept {
    return run_main_thread(plugin, false, [](MainThread&) -> Outcome<bool> { return true; });
}

// The editor keeps the size the host gives it; it asks for no particular resizing.
bool get_resize_hints(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints) noexcept {
    return run_main_thread(plugin, false, [hints](MainThread&) -> Outcome<bool> {
        if (hints == nullptr) return false;
        *hints = clap_gui_resize_hints_t{false, false, false, 1, 1};
        return false;
    });
}

bool adjust_size(const clap_plugin_t* plugin, std::uint32_t* width,
                 std::uint32_t* height) noexcept {
    return run_main_thread(plugin, false, [&](MainThread& main) -> Outcome<bool> {
        if (width == nullptr || height == nullptr) return false;
        const auto [w, h] = main.editor().adjust_size(*width, *height);
        *width = w;
        *height = h;
        return true;
    });
}

bool set_size(const clap_plugin_t* plugin, std::uint32_t width, std::uint32_t height) noexcept {
    return run_main_thread(plugin, false, [&](MainThread& main) -> Outcome<bool> {
        if (const auto failure = main.editor().set_size(width, height)) {
            return PluginWrapperError::plugin(*failure);
        }
        return true;
    });
}

bool set_parent(const clap_plugin_t* plugin, const clap_window_t* window) noexcept {
    return run_main_thread(plugin, false, [window](MainThread& main) -> Outcome<bool> {
        if (window == nullptr) return PluginWrapperError::null_argument("clap_window");
        return main.set_parent(is_platform_api(window->api) ? PLATFORM.view(*window)
                                                            : editor::HostView{});
    });
}

bool set_transient(const clap_plugin_t* plugin, const clap_window_t* window) noexcept {
    return run_main_thread(plugin, false, [window](MainThread&) -> Outcome<bool> {
        if (window == nullptr) return PluginWrapperError::null_argument("clap_window");
        return true;
    });
}

// The editor is never floating, so the title is only checked.
void suggest_title(const clap_plugin_t* plugin, const char* title) noexcept {
    run_main_thread(plugin, Unit{}, [title](MainThread&) -> Outcome<Unit> {
        if (title == nullptr) return Unit{};
        const std::string_view text(title);
        if (const auto valid = ondrix_plugin_core::protocol::valid_utf8_prefix(text);
            valid != text.size()) {
            return PluginWrapperError::invalid_utf8(valid);
        }
        return Unit{};
    });
}

bool show(const clap_plugin_t* plugin) noexcept {
    return run_main_thread(plugin, false, [](MainThread& main) -> Outcome<bool> {
        main.editor().show();
        return true;
    });
}

bool hide(const clap_plugin_t* plugin) noexcept {
    return run_main_thread(plugin, false, [](MainThread& main) -> Outcome<bool> {
        main.editor().hide();
        return true;
    });
}

}  // namespace

const clap_plugin_gui_t GUI{
    &is_api_supported, &get_preferred_api, &create,           &destroy,     &set_scale,
    &get_size,         &can_resize,        &get_resize_hints, &adjust_size, &set_size,
    &set_parent,       &set_transient,     &suggest_title,    &show,        &hide,
};

}  // namespace vantrel_ondrix_plugin
