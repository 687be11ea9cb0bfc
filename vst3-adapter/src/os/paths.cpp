#include "os/paths.hpp"

#include <dlfcn.h>

namespace os {

std::filesystem::path getPluginPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&getPluginPath), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    std::error_code failed;
    std::filesystem::path binary = std::filesystem::absolute(info.dli_fname, failed);
    if (failed) {
        binary = info.dli_fname;
    }
    return binary.parent_path().parent_path().parent_path();
}

std::string getBinaryName() {
    return getPluginPath().stem().string();
}

std::string getParentFolderName() {
    return getPluginPath().parent_path().stem().string();
}

}  // namespace os
