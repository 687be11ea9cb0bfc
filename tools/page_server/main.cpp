// ondrix-page-server: serves the editor page and its messages over HTTP on 127.0.0.1, against a
// real plug-in instance, so the page can be tested in a browser. Test use only.
//
//   ondrix-page-server [--port N] [--home DIR]
//
// --port N listens on port N (0, the default: any free port); --home DIR sets HOME (where the
// presets folder is). The first line on standard output is "listening on http://127.0.0.1:PORT".
// One request per connection; every connection is served on the main thread:
//   GET  any path outside /__test/  the editor's files, as the web view gets them
//   POST /__ipc                     a page message; answers {"scripts":[...],"zooms":[...]}, what
//                                   the web view got while the message was handled
//   GET  /__test/config             how the web view was made
//   GET  /__test/state              the plug-in's state document
//   POST /__test/state              loads a state document; answers {"ok":bool}
//   POST /__test/quit               closes the plug-in in host order and exits with status 0
//   POST /__test/start-scripts      takes a JSON array of script texts: from then on every HTML
//                                   document served runs them first, in order (for browsers
//                                   driven without init scripts); answers {"ok":bool}
//   GET  /__test/start-scripts/N    the Nth of those scripts
// A malformed request, or a body over 1 MiB, gets 400.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http.hpp"
#include "page_server.hpp"

namespace {

struct Options {
    int port = 0;
    std::optional<std::string> home;
};

std::optional<Options> parse(const std::vector<std::string_view>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i + 1 >= args.size()) return std::nullopt;
        if (args[i] == "--port") {
            const std::string value(args[++i]);
            char* end = nullptr;
            const long port = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || port < 0 || port > 65535) return std::nullopt;
            options.port = static_cast<int>(port);
        } else if (args[i] == "--home") {
            options.home = std::string(args[++i]);
        } else {
            return std::nullopt;
        }
    }
    return options;
}

void send_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

using Clock = std::chrono::steady_clock;

// One client connection: the bytes received so far until its request is whole; once answered,
// whatever the client still sends is read and dropped until it closes, so that closing does not
// reset the connection before the client has the answer.
struct Connection {
    int fd;
    Clock::time_point deadline;
    std::string received;
    bool answered = false;
};

// A client that sends nothing (a browser's speculative connection) must not hold up the others.
constexpr auto REQUEST_TIME = std::chrono::seconds(30);
constexpr auto LINGER_TIME = std::chrono::seconds(2);

void answer(Connection& connection, const ondrix_tools::HttpResponse& response) {
    send_all(connection.fd, ondrix_tools::format_response(response));
    ::shutdown(connection.fd, SHUT_WR);
    connection.answered = true;
    connection.received.clear();
    connection.deadline = Clock::now() + LINGER_TIME;
}

// Reads what the client sent; false when the connection is done with.
bool serve(Connection& connection, ondrix_tools::PageServer& server) {
    char buffer[65536];
    const ssize_t got = ::recv(connection.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    if (connection.answered) return got > 0;
    connection.received.append(buffer, static_cast<std::size_t>(got));
    const auto parsed = ondrix_tools::parse_request(connection.received, got == 0);
    if (const auto* request = std::get_if<ondrix_tools::HttpRequest>(&parsed)) {
        answer(connection, server.handle(*request));
    } else if (const auto* failure = std::get_if<ondrix_tools::ReadFailure>(&parsed)) {
        if (*failure == ondrix_tools::ReadFailure::Closed) return false;
        answer(connection, {400, "text/plain", "Bad request"});
    }
    return got > 0;
}

// A listening socket on 127.0.0.1:port; -1 with the reason on standard error.
int listen_on(int port, int& bound_port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::cerr << "ondrix-page-server: cannot listen on port " << port << ": "
                  << std::strerror(errno) << '\n';
        ::close(fd);
        return -1;
    }
    bound_port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto options = parse(args);
    if (!options) {
        std::cerr << "usage: ondrix-page-server [--port N] [--home DIR]\n";
        return 2;
    }
    if (options->home) ::setenv("HOME", options->home->c_str(), 1);
    std::signal(SIGPIPE, SIG_IGN);

    int port = 0;
    const int listener = listen_on(options->port, port);
    if (listener < 0) return 1;

    ondrix_tools::PageServer server;
    if (!server.open()) return 1;
    std::cout << "listening on http://127.0.0.1:" << port << std::endl;

    // One thread serves every connection as its bytes arrive.
    std::vector<Connection> connections;
    while (!server.quit_requested()) {
        std::vector<pollfd> polled{{listener, POLLIN, 0}};
        for (const Connection& connection : connections)
            polled.push_back({connection.fd, POLLIN, 0});
        if (::poll(polled.data(), polled.size(), 200) < 0 && errno != EINTR) {
            std::cerr << "ondrix-page-server: poll failed: " << std::strerror(errno) << '\n';
            return 1;
        }
        for (std::size_t i = 0; i < connections.size() && !server.quit_requested(); ++i) {
            if ((polled[i + 1].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            if (!serve(connections[i], server)) connections[i].deadline = Clock::time_point{};
        }
        const auto now = Clock::now();
        std::erase_if(connections, [now](const Connection& connection) {
            if (connection.deadline > now) return false;
            ::close(connection.fd);
            return true;
        });
        if ((polled[0].revents & POLLIN) != 0) {
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd >= 0) connections.push_back({fd, Clock::now() + REQUEST_TIME, {}});
        }
    }
    for (const Connection& connection : connections) ::close(connection.fd);
    ::close(listener);
    server.close();
    return 0;
}
