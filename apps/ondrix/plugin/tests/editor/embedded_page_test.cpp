// The page built into the plug-in is page/dist as it stands on disk.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>

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

TEST(EmbeddedPage, EveryFileTheDocumentNamesIsServed) {
    const Response index = serve("ondrix://localhost/");
    ASSERT_EQ(index.status, 200);
    const std::string html(index.body);
    EXPECT_NE(html.find("<title>Vantrel Ondrix</title>"), std::string::npos);
    EXPECT_NE(html.find("id=\"app\""), std::string::npos);

    // Local addresses in src and href attributes: "/assets/x.js", "./assets/x.css", "x.svg".
    const std::regex reference(R"re((?:src|href)\s*=\s*["']([^"'#?]+))re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), reference);
         it != std::sregex_iterator(); ++it) {
        std::string path = (*it)[1];
        if (path.find(':') != std::string::npos || path.starts_with("//")) continue;
        if (path.starts_with("./")) path.erase(0, 2);
        SCOPED_TRACE(path);
        EXPECT_EQ(serve("ondrix://localhost/" + path).status, 200);
    }
}

}  // namespace
}  // namespace vantrel_ondrix_plugin::editor
