#include "home_folder.hpp"

#include <dirent.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace ondrix_plugin_core::protocol::testing_support {

void HomeFolder::SetUp() {
    if (const char* value = std::getenv("HOME")) saved_home_ = value;
    std::string pattern = (std::filesystem::temp_directory_path() / "ondrix-home-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    home = pattern;
    ::setenv("HOME", home.c_str(), 1);
}

void HomeFolder::TearDown() {
    if (saved_home_) {
        ::setenv("HOME", saved_home_->c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

std::filesystem::path HomeFolder::presets() const {
    return home / "Documents" / "Vantrel Ondrix" / "Presets";
}

void HomeFolder::put(const std::string& file, const std::string& content) const {
    std::filesystem::create_directories(presets());
    std::ofstream(presets() / file, std::ios::binary) << content;
}

std::string HomeFolder::content_of(const std::string& file) const {
    std::ifstream in(presets() / file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> HomeFolder::files() const {
    std::vector<std::string> names;
    DIR* listing = ::opendir(presets().c_str());
    if (listing == nullptr) return names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(listing);
    return names;
}

}  // namespace ondrix_plugin_core::protocol::testing_support
