// ondrix-page-server: serves the editor page and its messages over HTTP on 127.0.0.1, against a
// real plug-in instance, so the page can be tested in a browser. Test use only.
//
//   ondrix-page-server [--port N] [--home DIR]
//
// --port N listens on port N (0, the default: any free port); --home DIR sets HOME (where the
// presets folder is). The first line on standard output is "listening on http://127.0.0.1:PORT".
// One request per connection, handled on the main thread:
//   GET  any path outside /__test/  the editor's files, as the web view gets them
//   POST /__ipc                     a page message; answers {"scripts":[...],"zooms":[...]}, what
//                                   the web view got while the message was handled
//   GET  /__test/config             how the web view was made
//   GET  /__test/state              the plug-in's state document
//   POST /__test/state              loads a state document; answers {"ok":bool}
//   POST /__test/quit               closes the plug-in in host order and exits with status 0
// A malformed request, or a body over 1 MiB, gets 400.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

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

long read_socket(void* context, char* buffer, std::size_t size) {
    return ::recv(*static_cast<int*>(context), buffer, size, 0);
}

void send_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
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

    while (!server.quit_requested()) {
        const int connection = ::accept(listener, nullptr, nullptr);
        if (connection < 0) {
            if (errno == EINTR) continue;
            std::cerr << "ondrix-page-server: accept failed: " << std::strerror(errno) << '\n';
            return 1;
        }
        // A client that stops sending must not hold the server up for long.
        timeval timeout{5, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        int fd = connection;
        const auto request = ondrix_tools::read_request(&read_socket, &fd);
        if (const auto* ok = std::get_if<ondrix_tools::HttpRequest>(&request)) {
            send_all(connection, ondrix_tools::format_response(server.handle(*ok)));
        } else if (std::get<ondrix_tools::ReadFailure>(request) ==
                   ondrix_tools::ReadFailure::Malformed) {
            send_all(connection, ondrix_tools::format_response({400, "text/plain", "Bad request"}));
            // Read what the client still sends, so closing does not reset the connection before
            // it has the answer.
            timeval drain{1, 0};
            ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &drain, sizeof drain);
            ::shutdown(connection, SHUT_WR);
            char sink[16384];
            while (::recv(connection, sink, sizeof sink, 0) > 0) {
            }
        }
        ::shutdown(connection, SHUT_WR);
        ::close(connection);
    }
    ::close(listener);
    server.close();
    return 0;
}
