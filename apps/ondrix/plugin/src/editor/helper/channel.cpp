#include "editor/helper/channel.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace vantrel_ondrix_plugin::editor::helper {
namespace {

void put_length(std::string& out, std::size_t length) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
}

std::size_t get_length(std::string_view in) {
    std::size_t length = 0;
    for (int i = 0; i < 4; ++i) {
        length |= std::size_t{static_cast<unsigned char>(in[i])} << (8 * i);
    }
    return length;
}

}  // namespace

Channel::Channel(int fd) : fd_(fd) {
    if (fd_ < 0) return;
    const int flags = fcntl(fd_, F_GETFL);
    if (flags < 0 || fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) broken_ = true;
}

Channel::~Channel() {
    close();
}

void Channel::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    broken_ = true;
    queued_.clear();
    sent_ = 0;
}

void Channel::send(std::string_view frame) {
    if (!open()) return;
    // Written bytes are dropped from the queue only here, so a queue that keeps draining does
    // not grow without end.
    if (sent_ == queued_.size()) {
        queued_.clear();
        sent_ = 0;
    } else if (sent_ > queued_.size() / 2) {
        queued_.erase(0, sent_);
        sent_ = 0;
    }
    put_length(queued_, frame.size());
    queued_.append(frame);
    flush();
}

bool Channel::flush() {
    if (!open()) return false;
    while (sent_ < queued_.size()) {
        const ssize_t n = ::send(fd_, queued_.data() + sent_, queued_.size() - sent_, MSG_NOSIGNAL);
        if (n > 0) {
            sent_ += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        } else {
            broken_ = true;
            return false;
        }
    }
    queued_.clear();
    sent_ = 0;
    return true;
}

bool Channel::receive(const std::function<void(std::string_view frame)>& on_frame,
                      std::size_t budget) {
    // What the peer sent before it went is still read after a write to it failed.
    if (fd_ < 0) return false;
    std::array<char, 64 * 1024> buffer;
    std::size_t taken = 0;
    bool ended = false;
    while (taken < budget) {
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
        if (n > 0) {
            received_.append(buffer.data(), static_cast<std::size_t>(n));
            taken += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            ended = true;
            break;
        }
    }

    // Frames are handed out from a copy of what was read: a handler may close this channel.
    std::string whole;
    std::size_t at = 0;
    while (received_.size() - at >= 4) {
        const std::size_t length = get_length(std::string_view(received_).substr(at));
        if (length > MAX_FRAME) {
            broken_ = true;
            return false;
        }
        if (received_.size() - at - 4 < length) break;
        at += 4 + length;
    }
    whole = received_.substr(0, at);
    received_.erase(0, at);
    for (std::size_t next = 0; next < whole.size();) {
        const std::size_t length = get_length(std::string_view(whole).substr(next));
        on_frame(std::string_view(whole).substr(next + 4, length));
        next += 4 + length;
        if (fd_ < 0) return false;
    }
    if (ended) broken_ = true;
    return open();
}

}  // namespace vantrel_ondrix_plugin::editor::helper
