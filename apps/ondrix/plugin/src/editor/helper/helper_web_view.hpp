#pragma once

// The editor's web view on Linux: WebKitGTK in a helper process of ours, embedded in the host's
// X11 window, driven over a socket that the host's main thread serves.

#include <memory>

#include "editor/web_view.hpp"

namespace vantrel_ondrix_plugin::editor::helper {

// The log line when the helper could not start for want of WebKitGTK.
inline constexpr std::string_view WEBKITGTK_MISSING =
    "The editor needs WebKitGTK 4.1 (GTK 3), which this system lacks: install the package "
    "libwebkit2gtk-4.1-0 (Debian, Ubuntu) and open the editor again";

// Starts a helper showing the config's page inside the X11 window `parent`; null (with the
// reason in the config's host loop log) when no helper could be started or watched.
std::unique_ptr<WebView> start_helper_web_view(HostView parent, WebViewConfig config);

}  // namespace vantrel_ondrix_plugin::editor::helper
