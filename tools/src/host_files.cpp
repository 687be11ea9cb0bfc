#include "host_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "bounded_read.hpp"
#include "document_limit.hpp"

namespace ondrix_tools {

namespace {

// What stands at a path that isn't a regular file, by its type bits.
std::string what_it_is(unsigned type) {
    switch (type) {
        case S_IFDIR:
            return "a folder";
        case S_IFIFO:
            return "a named pipe";
        case S_IFCHR:
        case S_IFBLK:
            return "a device";
        case S_IFSOCK:
            return "a socket";
        default:
            return "something other than a file";
    }
}

}  // namespace

// No more than one byte past the most the plug-in reads as a state: enough for it to refuse a
// longer one. Only a regular file is read, as the presets folder does, so a FIFO cannot hold the
// host up and a device such as /dev/zero is not read at all.
std::optional<std::string> read_state_file(const std::string& path, std::string& error) {
    std::string bytes;
    const auto unread = ondrix_plugin_core::read_regular_file(
        path, ondrix_plugin_core::MAX_DOCUMENT_BYTES + 1, bytes);
    if (!unread) return bytes;
    if (unread->type != 0) {
        error = "Couldn't read '" + path + "': it is " + what_it_is(unread->type) + ", not a file";
    } else {
        error = "Couldn't read '" + path + "': " + std::strerror(unread->error);
    }
    return std::nullopt;
}

std::optional<SaveFile> SaveFile::open(const std::string& path, std::string& error) {
    // Not waiting on a named pipe without a reader; writes block again once it is open.
    bool created = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_CREAT | O_EXCL, 0666);
        created = fd >= 0;
    }
    if (fd < 0) {
        error = "Couldn't write '" + path + "': " + std::strerror(errno);
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return SaveFile(path, fd, created);
}

SaveFile::SaveFile(SaveFile&& other) noexcept
    : path_(std::move(other.path_)),
      fd_(std::exchange(other.fd_, -1)),
      created_(other.created_),
      written_(other.written_) {}

SaveFile::~SaveFile() {
    if (fd_ < 0) return;
    ::close(fd_);
    if (created_ && !written_) ::unlink(path_.c_str());
}

bool SaveFile::write(const std::string& bytes, std::string& error) {
    struct stat info {};
    int failed =
        ::fstat(fd_, &info) != 0 || (S_ISREG(info.st_mode) && ::ftruncate(fd_, 0) != 0) ? errno : 0;
    for (std::size_t done = 0; failed == 0 && done < bytes.size();) {
        const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno != EINTR) failed = errno;
        if (put > 0) done += static_cast<std::size_t>(put);
    }
    if (failed != 0) {
        error = "Couldn't write '" + path_ + "': " + std::strerror(failed);
        return false;
    }
    written_ = true;
    return true;
}

}  // namespace ondrix_tools
