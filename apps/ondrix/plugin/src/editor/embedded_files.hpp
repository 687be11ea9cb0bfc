#pragma once

// The files built into the plug-in: tables generated from a folder at build time.

#include <span>
#include <string_view>

namespace vantrel_ondrix_plugin::editor {

// One embedded file: its path below the embedded folder, "/" between components
// ("assets/app.js"), and its bytes. Thread: any (read-only). Owner: static; both views live as
// long as the program.
struct EmbeddedFile {
    std::string_view path;
    std::string_view bytes;
};

// The editor page (page/dist), sorted by path.
std::span<const EmbeddedFile> page_files();

// The web view helper program, "ondrix-web-view" (Linux).
std::span<const EmbeddedFile> helper_files();

}  // namespace vantrel_ondrix_plugin::editor
