// A module that reports where the platform layer finds it, for the path tests.

#include "os/paths.hpp"

#include <cstring>
#include <string>

namespace {

void copyOut(const std::string& text, char* out, std::size_t size) {
    std::strncpy(out, text.c_str(), size - 1);
    out[size - 1] = 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void probe_paths(char* path, char* binary,
                                                                   char* parent,
                                                                   std::size_t size) {
    copyOut(os::getPluginPath().string(), path, size);
    copyOut(os::getBinaryName(), binary, size);
    copyOut(os::getParentFolderName(), parent, size);
}
