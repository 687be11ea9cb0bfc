#include "editor/helper/channel.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace vantrel_ondrix_plugin::editor::helper {
namespace {

// Most pieces a frame is sent from directly, its length included; a frame of more is queued.
constexpr std::size_t MAX_PIECES = 8;

void put_length(std::string& out, std::size_t length) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
}

// Writes `header` and then `pieces` (fewer than MAX_PIECES) as far as the socket takes them now;
// returns how many bytes it took (0 when it is full), or -1 when the peer is gone.
ssize_t send_directly(int fd, std::string_view header, std::span<const std::string_view> pieces) {
    std::array<iovec, MAX_PIECES> parts{};
    parts[0] = {const_cast<char*>(header.data()), header.size()};
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        parts[i + 1] = {const_cast<char*>(pieces[i].data()), pieces[i].size()};
    }
    msghdr message{};
    message.msg_iov = parts.data();
    message.msg_iovlen = pieces.size() + 1;
    for (;;) {
        const ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL);
        if (n >= 0) return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        if (errno != EINTR) return -1;
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

void Channel::send(std::span<const std::string_view> pieces) {
    if (!open()) return;
    std::size_t length = 0;
    for (const std::string_view piece : pieces) length += piece.size();
    std::string header;
    put_length(header, length);

    // Bytes of the frame already in the socket.
    std::size_t skip = 0;
    if (!wants_write()) {
        queued_.clear();
        sent_ = 0;
        if (pieces.size() < MAX_PIECES) {
            const ssize_t n = send_directly(fd_, header, pieces);
            if (n < 0) {
                broken_ = true;
                return;
            }
            skip = static_cast<std::size_t>(n);
        }
    } else if (sent_ > queued_.size() / 2) {
        // Written bytes are dropped from the queue only here, so a queue that keeps draining
        // does not grow without end.
        queued_.erase(0, sent_);
        sent_ = 0;
    }

    // What the socket did not take waits in the queue.
    const auto queue = [&](std::string_view bytes) {
        const std::size_t skipped = std::min(skip, bytes.size());
        skip -= skipped;
        queued_.append(bytes.substr(skipped));
    };
    queue(header);
    for (const std::string_view piece : pieces) queue(piece);
    if (wants_write()) flush();
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
            // Less than the buffer holds: that was all there was.
            if (static_cast<std::size_t>(n) < buffer.size()) break;
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
