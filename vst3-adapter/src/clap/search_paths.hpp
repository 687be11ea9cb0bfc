#pragma once

#include <filesystem>
#include <vector>

namespace Clap {

// The folder of the bundle this module sits in: the parent of the "Contents" folder two levels
// above the module file, or an empty path when the module is not inside a bundle.
std::filesystem::path sharedLibraryBundlePath();

// The module file this code was loaded from, or an empty path.
std::filesystem::path sharedLibraryPath();

// The system's CLAP folders: the bundle's "Contents/PlugIns" when it exists, then
// "$HOME/.clap" and "/usr/lib/clap".
std::vector<std::filesystem::path> getMacCLAPSearchPaths();

// Every folder where a .clap may be found: the system's folders, the folders of "CLAP_PATH"
// (":"-separated), then every folder below those, each real folder once.
std::vector<std::filesystem::path> getValidCLAPSearchPaths();

}  // namespace Clap
