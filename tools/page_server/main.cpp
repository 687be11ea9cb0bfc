// ondrix-page-server: serves the editor page and its messages over HTTP on 127.0.0.1, against a
// real plug-in instance, so the page can be tested in a browser. Test use only.
//
//   ondrix-page-server [--port N] [--home DIR]   (--help prints the usage)
//
// --port N listens on port N (0, the default: any free port); --home DIR sets HOME (where the
// presets folder is). The first line on standard output is "listening on http://127.0.0.1:PORT".
// One request per connection; every connection is served on the main thread, its answer written
// without blocking (Connections):
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
// A malformed request, or a body over 16 MiB (MAX_BODY_SIZE), gets 400.
#include <arpa/inet.h>
#include <netinet/in.h>
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

#include "connections.hpp"
#include "http.hpp"
#include "page_server.hpp"

namespace {

constexpr const char* kUsage =
    "usage: ondrix-page-server [--port N] [--home DIR]\n"
    "\n"
    "Serves the editor page and its messages over HTTP on 127.0.0.1, against the linked\n"
    "plug-in, for the page's browser tests. The first line on standard output is\n"
    "\"listening on http://127.0.0.1:PORT\"; POST /__test/quit ends it with status 0.\n"
    "\n"
    "Options:\n"
    "  --port N     listen on port N, 0 to 65535 (default 0: any free port)\n"
    "  --home DIR   set HOME to DIR, the home of the presets folder\n"
    "  -h, --help   print this and do nothing else\n"
    "\n"
    "Exit status: 0 after POST /__test/quit, 1 when the plug-in or the socket failed, 2 for a\n"
    "wrong command line.\n";

struct Options {
    int port = 0;
    std::optional<std::string> home;
    bool help = false;
};

std::optional<Options> parse(const std::vector<std::string_view>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            options.help = true;
            return options;
        }
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

// A listening socket on 127.0.0.1:port; -1 with the reason on standard error.
int listen_on(int port, int& bound_port) {
    // Not blocking: a client gone before its accept leaves the listener ready for nothing.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
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
        std::cerr << kUsage;
        return 2;
    }
    if (options->help) {
        std::cout << kUsage;
        return 0;
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
    {
        ondrix_tools::Connections connections(listener);
        const auto handle = [&server](const ondrix_tools::HttpRequest& request) {
            return server.handle(request);
        };
        const auto stop = [&server] { return server.quit_requested(); };
        while (!server.quit_requested()) {
            if (!connections.serve(handle, stop, std::chrono::milliseconds(200))) {
                std::cerr << "ondrix-page-server: poll failed: " << std::strerror(errno) << '\n';
                return 1;
            }
        }
    }
    ::close(listener);
    server.close();
    return 0;
}
