#include "bounded_read.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ondrix_plugin_core {

int read_at_most(int fd, std::size_t limit, std::string& bytes) {
    char buffer[16384];
    while (bytes.size() < limit) {
        const std::size_t room = std::min(sizeof buffer, limit - bytes.size());
        const ssize_t got = ::read(fd, buffer, room);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return 0;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return 0;
}

}  // namespace ondrix_plugin_core
