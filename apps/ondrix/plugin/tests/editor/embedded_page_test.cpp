// The page built into the plug-in is page/dist as it stands on disk.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/serve.hpp"

namespace vantrel_ondrix_plugin::editor {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> files_on_disk(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().lexically_relative(root).generic_string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

TEST(EmbeddedPage, IsPageDistByteForByte) {
    std::map<std::string, std::string> embedded;
    for (const EmbeddedFile& file : page_files()) {
        embedded[std::string(file.path)] = std::string(file.bytes);
    }
    EXPECT_EQ(embedded, files_on_disk(ONDRIX_PAGE_DIST));
    EXPECT_TRUE(std::is_sorted(page_files().begin(), page_files().end(),
                               [](const auto& a, const auto& b) { return a.path < b.path; }));
}

// The values of the quoted src and href attributes of an HTML text, up to any "?" or "#".
std::vector<std::string> references(const std::string& html) {
    std::vector<std::string> found;
    for (const std::string attribute : {" src=", " href="}) {
        for (auto at = html.find(attribute); at != std::string::npos;
             at = html.find(attribute, at + 1)) {
            const std::size_t open = at + attribute.size();
            if (open >= html.size() || (html[open] != '"' && html[open] != '\'')) continue;
            const std::size_t close = html.find(html[open], open + 1);
            if (close == std::string::npos) continue;
            const std::string value = html.substr(open + 1, close - open - 1);
            found.push_back(value.substr(0, value.find_first_of("?#")));
        }
    }
    return found;
}

TEST(EmbeddedPage, EveryFileTheDocumentNamesIsServed) {
    const Response index = serve("ondrix://localhost/");
    ASSERT_EQ(index.status, 200);
    const std::string html(index.body);
    EXPECT_NE(html.find("<title>Vantrel Ondrix</title>"), std::string::npos);
    EXPECT_NE(html.find("id=\"app\""), std::string::npos);

    ASSERT_EQ(references(R"(<script src="/a.js?v=1"></script><link rel="x" href='./b.css'>)"),
              (std::vector<std::string>{"/a.js", "./b.css"}));
    // Local addresses: "/assets/x.js", "./assets/x.css", "x.svg".
    for (std::string path : references(html)) {
        if (path.find(':') != std::string::npos || path.starts_with("//")) continue;
        if (path.starts_with("./")) path.erase(0, 2);
        SCOPED_TRACE(path);
        EXPECT_EQ(serve("ondrix://localhost/" + path).status, 200);
    }
}

}  // namespace
}  // namespace vantrel_ondrix_plugin::editor
