// The user's page on the patch format names every key, tag and name the readers know, so it
// cannot fall behind them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "settings/patch.hpp"

namespace ondrix_engine::settings {
namespace {

TEST(PatchFormatPage, NamesEverythingTheReadersKnow) {
    std::ifstream file(ONDRIX_PATCH_FORMAT_PAGE);
    ASSERT_TRUE(file) << ONDRIX_PATCH_FORMAT_PAGE;
    const std::string page{std::istreambuf_iterator<char>(file), {}};
    const auto names = Patch::json_names();
    EXPECT_GT(names.size(), 80u);
    for (const std::string_view name : names) {
        std::string quoted(1, '`');
        quoted += name;
        quoted += '`';
        EXPECT_NE(page.find(quoted), std::string::npos) << quoted << " is missing from the page";
    }
}

}  // namespace
}  // namespace ondrix_engine::settings
