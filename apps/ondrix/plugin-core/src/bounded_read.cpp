#include "bounded_read.hpp"

#include <fcntl.h>
#include <sys/stat.h>
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

std::optional<Unread> read_regular_file(const std::string& path, std::size_t limit,
                                        std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Unread{errno, 0};
    std::optional<Unread> unread;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        unread = Unread{errno, 0};
    } else if (!S_ISREG(info.st_mode)) {
        unread = Unread{0, static_cast<unsigned>(info.st_mode & S_IFMT)};
    } else {
        // A file that grew since it was looked at is still read only up to the bound.
        bytes.reserve(std::min(static_cast<std::size_t>(info.st_size), limit));
        if (const int error = read_at_most(fd, limit, bytes); error != 0) unread = Unread{error, 0};
    }
    ::close(fd);
    return unread;
}

}  // namespace ondrix_plugin_core
