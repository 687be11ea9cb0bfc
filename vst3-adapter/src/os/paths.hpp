#pragma once

// Where this module lives. The binary sits at "NAME.vst3/Contents/x86_64-linux/NAME.so", so
// three parents up from it is the bundle.

#include <filesystem>
#include <string>

namespace os {

// The bundle folder holding this module's binary; empty when the loader cannot say.
std::filesystem::path getPluginPath();
// The bundle's name without extension.
std::string getBinaryName();
// The name of the folder that holds the bundle.
std::string getParentFolderName();

}  // namespace os
