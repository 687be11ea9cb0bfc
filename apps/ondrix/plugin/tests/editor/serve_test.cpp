// The "ondrix" scheme's file server over a fixture folder embedded the same way as the page.
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "editor/serve.hpp"

namespace vantrel_ondrix_plugin::editor {

// tests/editor/fixture, embedded at build time.
std::span<const EmbeddedFile> fixture_files();

namespace {

const EmbeddedFile& fixture(std::string_view path) {
    for (const EmbeddedFile& file : fixture_files()) {
        if (file.path == path) return file;
    }
    ADD_FAILURE() << "no fixture file " << path;
    static const EmbeddedFile none{};
    return none;
}

std::string_view content_type_of(const Response& response) {
    if (response.headers.size() != 1 || response.headers[0].name != "Content-Type") return "?";
    return response.headers[0].value;
}

TEST(Serve, FilesAreFoundByTheirPathComponents) {
    const struct {
        const char* url;
        const char* file;
        const char* type;
    } cases[] = {
        {"ondrix://localhost/", "index.html", "text/html; charset=utf-8"},
        {"ondrix://localhost", "index.html", "text/html; charset=utf-8"},
        {"ondrix://localhost?x=1", "index.html", "text/html; charset=utf-8"},
        {"ondrix://localhost/index.html", "index.html", "text/html; charset=utf-8"},
        {"ondrix://localhost//index.html", "index.html", "text/html; charset=utf-8"},
        {"ondrix://localhost/index.html/", "index.html", "text/html; charset=utf-8"},
        {"ondrix://localhost/index.html?x=1", "index.html", "text/html; charset=utf-8"},
        {"ondrix://localhost/index.html#top", "index.html", "text/html; charset=utf-8"},
        {"ondrix://elsewhere/index.html", "index.html", "text/html; charset=utf-8"},
        {"ondrix://localhost/assets/app.js", "assets/app.js", "text/javascript"},
        {"ondrix://localhost/assets//app.js", "assets/app.js", "text/javascript"},
        {"ondrix://localhost/assets/x.wasm", "assets/x.wasm", "application/wasm"},
        {"ondrix://localhost/assets/bytes.bin", "assets/bytes.bin", "application/octet-stream"},
        {"ondrix://localhost/assets/empty.txt", "assets/empty.txt", "application/octet-stream"},
        {"ondrix://localhost/assets/LICENSE", "assets/LICENSE", "application/octet-stream"},
        {"ondrix://localhost/assets/.hidden", "assets/.hidden", "application/octet-stream"},
        {"ondrix://localhost/nested/deeper/data.json", "nested/deeper/data.json",
         "application/json"},
        {"/assets/app.js", "assets/app.js", "text/javascript"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        const Response response = serve(fixture_files(), c.url);
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(content_type_of(response), c.type);
        const EmbeddedFile& file = fixture(c.file);
        EXPECT_EQ(response.body.data(), file.bytes.data()) << "the embedded bytes, not a copy";
        EXPECT_EQ(response.body.size(), file.bytes.size());
    }
}

TEST(Serve, AnythingElseIsNotFound) {
    for (const char* url : {
             "ondrix://localhost/assets",
             "ondrix://localhost/assets/",
             "ondrix://localhost/nested/deeper",
             "ondrix://localhost/INDEX.HTML",
             "ondrix://localhost/index%2Ehtml",
             "ondrix://localhost/./index.html",
             "ondrix://localhost/assets/../index.html",
             "ondrix://localhost/index.htm",
             "ondrix://localhost/missing.xyz",
             "ondrix://localhost/assets/app.js/more",
             "ondrix://localhost/app.js",
             "ondrix://localhost/%20",
         }) {
        SCOPED_TRACE(url);
        const Response response = serve(fixture_files(), url);
        EXPECT_EQ(response.status, 404);
        EXPECT_TRUE(response.headers.empty());
        EXPECT_EQ(response.body, "Not found");
    }
}

TEST(Serve, BodiesAreTheFilesExactBytes) {
    const Response all = serve(fixture_files(), "ondrix://localhost/assets/bytes.bin");
    ASSERT_EQ(all.body.size(), 256u);
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(static_cast<unsigned char>(all.body[i]), i);
    }
    EXPECT_EQ(serve(fixture_files(), "ondrix://localhost/assets/empty.txt").body.size(), 0u);
    EXPECT_EQ(serve(fixture_files(), "ondrix://localhost/assets/x.wasm").body,
              std::string_view("\0asm\1\0\0\0", 8));
}

TEST(Serve, ContentTypesFollowTheLastExtensionExactly) {
    const struct {
        const char* name;
        const char* type;
    } cases[] = {
        {"a.html", "text/html; charset=utf-8"},
        {"a.js", "text/javascript"},
        {"a.css", "text/css"},
        {"a.svg", "image/svg+xml"},
        {"a.png", "image/png"},
        {"a.wasm", "application/wasm"},
        {"a.json", "application/json"},
        {"a.min.js", "text/javascript"},
        {"a.js.map", "application/octet-stream"},
        {"a.JS", "application/octet-stream"},
        {"a.", "application/octet-stream"},
        {".js", "application/octet-stream"},
        {"LICENSE", "application/octet-stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(content_type(c.name), c.type);
    }
}

}  // namespace
}  // namespace vantrel_ondrix_plugin::editor
