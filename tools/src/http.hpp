// Just enough HTTP/1.1 for the page test server: one request per connection, read whole, and
// one response that closes the connection.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace ondrix_tools {

inline constexpr std::size_t MAX_BODY_SIZE = std::size_t{1} << 20;

struct HttpRequest {
    std::string method;
    // The request target as sent, such as "/assets/app.js?x=1".
    std::string target;
    std::string body;
};

struct HttpResponse {
    int status = 200;
    // No Content-Type header when empty.
    std::string content_type;
    std::string body;
};

// Why a request could not be read: the connection ended early, or the request is malformed
// (bad request line or headers, a body over MAX_BODY_SIZE, a chunked body).
enum class ReadFailure { Closed, Malformed };

// Where the request's bytes come from: fills `buffer` with up to `size` bytes, returning how many
// (0 at the end of the connection, below 0 on an error).
using ReadSome = long (*)(void* context, char* buffer, std::size_t size);

// Reads one request: the request line, the headers up to the empty line, then Content-Length
// bytes of body. Owned by the caller; main thread.
std::variant<HttpRequest, ReadFailure> read_request(ReadSome read, void* context);

// The whole response: status line, Content-Type (when set), Content-Length, "Connection: close",
// the empty line and the body.
std::string format_response(const HttpResponse& response);

}  // namespace ondrix_tools
