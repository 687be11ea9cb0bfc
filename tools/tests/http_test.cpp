// The page test server's HTTP reading and writing.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "http.hpp"

namespace ondrix_tools {
namespace {

// Parses `bytes` as they would arrive, at most `chunk` at a time: every part before the last is
// not yet a request; then the whole, with the end of the connection after it.
Parsed read(const std::string& bytes, std::size_t chunk = SIZE_MAX) {
    for (std::size_t size = std::min(chunk, bytes.size()); size < bytes.size(); size += chunk) {
        const Parsed part = parse_request(std::string_view(bytes).substr(0, size), false);
        if (!std::holds_alternative<std::monostate>(part)) return part;
    }
    const Parsed open = parse_request(bytes, false);
    if (!std::holds_alternative<std::monostate>(open)) return open;
    return parse_request(bytes, true);
}

TEST(Http, ReadsTheRequestLineAndTheBodyInAnyChunking) {
    const std::string text =
        "POST /__ipc?x=1 HTTP/1.1\r\nHost: 127.0.0.1\r\ncontent-length:  5 \r\n\r\nhello";
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, SIZE_MAX}) {
        SCOPED_TRACE(chunk);
        const auto result = read(text, chunk);
        ASSERT_TRUE(std::holds_alternative<HttpRequest>(result));
        const auto& request = std::get<HttpRequest>(result);
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.target, "/__ipc?x=1");
        EXPECT_EQ(request.body, "hello");
    }
    const auto get = read("GET / HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(std::holds_alternative<HttpRequest>(get));
    EXPECT_EQ(std::get<HttpRequest>(get).body, "");
}

TEST(Http, MalformedRequestsAreRefused) {
    const std::string over = std::to_string(MAX_BODY_SIZE + 1);
    const struct {
        const char* name;
        std::string bytes;
        ReadFailure failure;
    } cases[] = {
        {"nothing sent", "", ReadFailure::Closed},
        {"no empty line", "GET / HTTP/1.1\r\n", ReadFailure::Malformed},
        {"head over 64 KiB", "GET / HTTP/1.1\r\nX: " + std::string(70000, 'x'),
         ReadFailure::Malformed},
        {"no version", "GET /\r\n\r\n", ReadFailure::Malformed},
        {"unknown version", "GET / HTTP/2\r\n\r\n", ReadFailure::Malformed},
        {"extra word", "GET / x HTTP/1.1\r\n\r\n", ReadFailure::Malformed},
        {"relative target", "GET index.html HTTP/1.1\r\n\r\n", ReadFailure::Malformed},
        {"header without colon", "GET / HTTP/1.1\r\nHost\r\n\r\n", ReadFailure::Malformed},
        {"bad length", "POST / HTTP/1.1\r\nContent-Length: 5x\r\n\r\n", ReadFailure::Malformed},
        {"negative length", "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
         ReadFailure::Malformed},
        {"body over the bound", "POST / HTTP/1.1\r\nContent-Length: " + over + "\r\n\r\n",
         ReadFailure::Malformed},
        {"chunked body", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
         ReadFailure::Malformed},
        {"short body", "POST / HTTP/1.1\r\nContent-Length: 9\r\n\r\nabc", ReadFailure::Malformed},
        {"body without length", "POST / HTTP/1.1\r\n\r\nabc", ReadFailure::Malformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = read(c.bytes);
        ASSERT_TRUE(std::holds_alternative<ReadFailure>(result));
        EXPECT_EQ(std::get<ReadFailure>(result), c.failure);
    }
}

TEST(Http, ResponsesCloseTheConnection) {
    EXPECT_EQ(format_response({404, "", "Not found"}),
              "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nCache-Control: no-store\r\n"
              "Connection: close\r\n\r\nNot found");
    EXPECT_EQ(format_response({200, "text/css", ""}),
              "HTTP/1.1 200 OK\r\nContent-Type: text/css\r\nContent-Length: 0\r\n"
              "Cache-Control: no-store\r\nConnection: close\r\n\r\n");
}

}  // namespace
}  // namespace ondrix_tools
