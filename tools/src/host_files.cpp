#include "host_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "bounded_read.hpp"
#include "document_limit.hpp"

namespace ondrix_tools {

// No more than one byte past the most the plug-in reads as a state: enough for it to refuse a
// longer one, and a file such as /dev/zero cannot fill the memory.
std::optional<std::string> read_state_file(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "Couldn't open '" + path + "': " + std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes;
    const int failed =
        ondrix_plugin_core::read_at_most(fd, ondrix_plugin_core::MAX_DOCUMENT_BYTES + 1, bytes);
    ::close(fd);
    if (failed != 0) {
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
