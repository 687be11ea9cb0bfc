#include "host_files.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "document_limit.hpp"

namespace ondrix_tools {

// No more than one byte past the most the plug-in reads as a state: enough for it to refuse a
// longer one, and a file such as /dev/zero cannot fill the memory.
std::optional<std::string> read_state_file(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "Couldn't open '" + path + "': " + std::strerror(errno);
        return std::nullopt;
    }
    constexpr std::size_t kMostRead = ondrix_plugin_core::MAX_DOCUMENT_BYTES + 1;
    std::string bytes;
    char buffer[65536];
    while (bytes.size() < kMostRead) {
        const std::size_t wanted = std::min(sizeof buffer, kMostRead - bytes.size());
        file.read(buffer, static_cast<std::streamsize>(wanted));
        if (file.gcount() <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) {
        error = "Couldn't read '" + path + "'";
        return std::nullopt;
    }
    return bytes;
}

bool write_file(const std::string& path, const std::string& bytes, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file) file.close();
    if (!file) {
        error = "Couldn't write '" + path + "': " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace ondrix_tools
