#pragma once

// The files of the "ondrix" URL scheme: every request the web view makes for the editor page is
// answered from the embedded files, without touching the disk or the network.

#include <cstdint>
#include <span>
#include <string_view>

#include "editor/embedded_files.hpp"

namespace vantrel_ondrix_plugin::editor {

struct Header {
    std::string_view name;
    std::string_view value;
};

// The answer to one request. Every view points at static data (the embedded bytes are not
// copied). Thread: main thread. Owner: the caller.
struct Response {
    std::uint16_t status;
    // Content-Type for a file; none for "Not found".
    std::span<const Header> headers;
    std::string_view body;
};

// The Content-Type of a file name, from the extension after its last "." (letter case counts; a
// name whose only "." comes first has none).
std::string_view content_type(std::string_view name);

// Answers the request for `url` from `files`: the address's path (up to "?" or "#") is compared
// with each file's path component by component, ignoring empty components; an empty path asks
// for "index.html". A file -> 200 with its Content-Type; anything else -> 404 "Not found".
Response serve(std::span<const EmbeddedFile> files, std::string_view url);

// The same over the editor page's files: the web view's handler of the "ondrix" scheme.
Response serve(std::string_view url);

}  // namespace vantrel_ondrix_plugin::editor
