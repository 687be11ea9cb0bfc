#include "editor/serve.hpp"

#include <array>

namespace vantrel_ondrix_plugin::editor {
namespace {

constexpr std::string_view CONTENT_TYPE = "Content-Type";

// The Content-Type header of each known extension; the last row serves every other one.
constexpr std::array<std::pair<std::string_view, Header>, 8> TYPES{{
    {"html", {CONTENT_TYPE, "text/html; charset=utf-8"}},
    {"js", {CONTENT_TYPE, "text/javascript"}},
    {"css", {CONTENT_TYPE, "text/css"}},
    {"svg", {CONTENT_TYPE, "image/svg+xml"}},
    {"png", {CONTENT_TYPE, "image/png"}},
    {"wasm", {CONTENT_TYPE, "application/wasm"}},
    {"json", {CONTENT_TYPE, "application/json"}},
    {"", {CONTENT_TYPE, "application/octet-stream"}},
}};

const Header& type_header(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot != 0) {
        const std::string_view extension = name.substr(dot + 1);
        for (const auto& [known, header] : TYPES) {
            if (!known.empty() && known == extension) return header;
        }
    }
    return TYPES.back().second;
}

// The path of an address: what follows the scheme and host, up to "?" or "#". Without a scheme
// the whole address (up to "?" or "#") is the path.
std::string_view path_of(std::string_view url) {
    url = url.substr(0, url.find_first_of("?#"));
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos || url.substr(0, scheme).find('/') != url.npos) return url;
    const std::string_view rest = url.substr(scheme + 3);
    const std::size_t slash = rest.find('/');
    return slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
}

// Walks the non-empty "/"-separated components of a path.
class Components {
  public:
    explicit Components(std::string_view path) : rest_(path) {}

    // The next component, or an empty view at the end.
    std::string_view next() {
        const std::size_t start = rest_.find_first_not_of('/');
        if (start == std::string_view::npos) return {};
        rest_ = rest_.substr(start);
        const std::size_t end = rest_.find('/');
        const std::string_view component = rest_.substr(0, end);
        rest_ = end == std::string_view::npos ? std::string_view{} : rest_.substr(end);
        return component;
    }

  private:
    std::string_view rest_;
};

bool same_components(std::string_view a, std::string_view b) {
    Components left(a);
    Components right(b);
    for (;;) {
        const std::string_view x = left.next();
        const std::string_view y = right.next();
        if (x != y) return false;
        if (x.empty()) return true;
    }
}

constexpr std::string_view NOT_FOUND = "Not found";

}  // namespace

std::string_view content_type(std::string_view name) {
    return type_header(name).value;
}

Response serve(std::span<const EmbeddedFile> files, std::string_view url) {
    std::string_view path = path_of(url);
    if (Components(path).next().empty()) path = "index.html";
    for (const EmbeddedFile& file : files) {
        if (!same_components(file.path, path)) continue;
        const std::string_view name = file.path.substr(file.path.rfind('/') + 1);
        return Response{200, std::span(&type_header(name), 1), file.bytes};
    }
    return Response{404, {}, NOT_FOUND};
}

Response serve(std::string_view url) {
    return serve(page_files(), url);
}

}  // namespace vantrel_ondrix_plugin::editor
