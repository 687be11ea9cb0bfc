// The page test server's client connections, served on one thread with poll.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "http.hpp"

namespace ondrix_tools {

// Each connection reads its request, has its answer written without blocking (as much as the
// client takes each time it is ready for more), then lingers until the client closes, so that
// a slow or stuck client holds up nobody else. Past the descriptor limit a refused accept makes
// room by closing the oldest idle connection, or else leaves the listener alone for a while.
// Owned by main and used on its thread only; owns the connections' descriptors, not the listener.
class Connections {
  public:
    using Clock = std::chrono::steady_clock;
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    explicit Connections(int listener) : listener_(listener) {}
    ~Connections();
    Connections(const Connections&) = delete;
    Connections& operator=(const Connections&) = delete;

    // Waits up to `wait` for the listener or a connection to be ready, then serves what is:
    // reads, answers with `handle` once a request is whole, writes, accepts. `stop` is looked at
    // before each request is handled. False when poll itself failed (errno tells why).
    bool serve(const Handler& handle, const std::function<bool()>& stop,
               std::chrono::milliseconds wait);

  private:
    struct Connection {
        int fd;
        Clock::time_point deadline;
        std::string received;
        std::string answer;
        std::size_t written = 0;  // of the answer
        bool answered = false;

        bool writing() const { return answered && written < answer.size(); }
        // Waiting for a request that hasn't begun, or for the client to close after its answer.
        bool idle() const { return answered ? written == answer.size() : received.empty(); }
    };

    bool accept();
    bool read(Connection& connection, const Handler& handle);
    bool write(Connection& connection);
    void start_answer(Connection& connection, const HttpResponse& response);
    bool close_oldest_idle();

    int listener_;
    std::vector<Connection> connections_;  // in the order they were accepted
    Clock::time_point listen_again_{};     // a refused accept leaves the listener alone until then
    std::chrono::milliseconds backoff_{0};
};

}  // namespace ondrix_tools
