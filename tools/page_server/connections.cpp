#include "connections.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <variant>

namespace ondrix_tools {
namespace {

using namespace std::chrono_literals;

// A client that sends nothing (a browser's speculative connection) or takes no answer must not
// hold the descriptor for good; one that has its answer gets a moment to close first, so that
// closing does not reset the connection before the client has read it.
constexpr auto REQUEST_TIME = 30s;
constexpr auto WRITE_TIME = 30s;  // without any progress
constexpr auto LINGER_TIME = 2s;
constexpr auto FIRST_BACKOFF = 50ms;
constexpr auto LONGEST_BACKOFF = 1000ms;

}  // namespace

Connections::~Connections() {
    for (const Connection& connection : connections_) ::close(connection.fd);
}

bool Connections::serve(const Handler& handle, const std::function<bool()>& stop,
                        std::chrono::milliseconds wait) {
    const auto now = Clock::now();
    const bool listening = now >= listen_again_;
    if (!listening) {
        wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(listen_again_ - now));
    }
    std::vector<pollfd> polled;
    polled.reserve(connections_.size() + 1);
    for (const Connection& connection : connections_) {
        polled.push_back(
            {connection.fd, static_cast<short>(connection.writing() ? POLLOUT : POLLIN), 0});
    }
    if (listening) polled.push_back({listener_, POLLIN, 0});
    if (::poll(polled.data(), polled.size(), static_cast<int>(wait.count())) < 0) {
        return errno == EINTR;
    }

    for (std::size_t i = 0; i < connections_.size() && !stop(); ++i) {
        Connection& connection = connections_[i];
        const short ready = polled[i].revents;
        if (ready == 0) continue;
        bool keep = true;
        if ((ready & POLLOUT) != 0) {
            keep = write(connection);
        } else if ((ready & (POLLIN | POLLHUP | POLLERR)) != 0) {
            keep = read(connection, handle);
        }
        if (!keep) connection.deadline = Clock::time_point{};
    }
    const auto after = Clock::now();
    std::erase_if(connections_, [after](const Connection& connection) {
        if (connection.deadline > after) return false;
        ::close(connection.fd);
        return true;
    });
    if (listening && (polled.back().revents & POLLIN) != 0 && !stop()) accept();
    return true;
}

bool Connections::accept() {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        connections_.push_back({fd, Clock::now() + REQUEST_TIME, {}, {}, 0, false});
        backoff_ = std::chrono::milliseconds{0};
        return true;
    }
    const bool out_of_room =
        errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM;
    // Out of descriptors, the client waiting to be accepted keeps the listener ready: make room
    // for it, or stop looking at the listener for a while instead of asking again at once.
    if (out_of_room && !close_oldest_idle()) {
        backoff_ = std::clamp(backoff_ * 2, std::chrono::milliseconds{FIRST_BACKOFF},
                              std::chrono::milliseconds{LONGEST_BACKOFF});
        listen_again_ = Clock::now() + backoff_;
    }
    return false;
}

bool Connections::close_oldest_idle() {
    const auto idle = std::find_if(connections_.begin(), connections_.end(),
                                   [](const Connection& c) { return c.idle(); });
    if (idle == connections_.end()) return false;
    ::close(idle->fd);
    connections_.erase(idle);
    return true;
}

bool Connections::read(Connection& connection, const Handler& handle) {
    char buffer[65536];
    const ssize_t got = ::recv(connection.fd, buffer, sizeof buffer, 0);
    if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    // Once answered, whatever the client still sends is dropped until it closes.
    if (connection.answered) return got > 0;
    connection.received.append(buffer, static_cast<std::size_t>(got));
    const auto parsed = parse_request(connection.received, got == 0);
    if (const auto* request = std::get_if<HttpRequest>(&parsed)) {
        start_answer(connection, handle(*request));
        return write(connection);
    }
    if (const auto* failure = std::get_if<ReadFailure>(&parsed)) {
        if (*failure == ReadFailure::Closed) return false;
        start_answer(connection, {400, "text/plain", "Bad request"});
        return write(connection);
    }
    return got > 0;
}

void Connections::start_answer(Connection& connection, const HttpResponse& response) {
    connection.answer = format_response(response);
    connection.written = 0;
    connection.answered = true;
    connection.received = std::string();
    connection.deadline = Clock::now() + WRITE_TIME;
}

bool Connections::write(Connection& connection) {
    const std::size_t before = connection.written;
    while (connection.writing()) {
        const ssize_t put =
            ::send(connection.fd, connection.answer.data() + connection.written,
                   connection.answer.size() - connection.written, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (put <= 0) return false;
        connection.written += static_cast<std::size_t>(put);
    }
    if (connection.writing()) {
        if (connection.written > before) connection.deadline = Clock::now() + WRITE_TIME;
        return true;
    }
    connection.answer = std::string();
    connection.written = 0;
    ::shutdown(connection.fd, SHUT_WR);
    connection.deadline = Clock::now() + LINGER_TIME;
    return true;
}

}  // namespace ondrix_tools
