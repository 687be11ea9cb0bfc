#pragma once

// Test fixture: HOME points at a fresh temporary folder for the length of a test.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ondrix_plugin_core::protocol::testing_support {

class HomeFolder : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // $HOME/Documents/Vantrel Ondrix/Presets
    std::filesystem::path presets() const;
    // Writes a file (any name bytes) into the presets folder, creating the folder.
    void put(const std::string& file, const std::string& content = "{}") const;
    std::string content_of(const std::string& file) const;
    // The names in the presets folder, in the order the folder lists them.
    std::vector<std::string> files() const;

    std::filesystem::path home;

  private:
    std::optional<std::string> saved_home_;
};

}  // namespace ondrix_plugin_core::protocol::testing_support
