// Just enough HTTP/1.1 for the page test server: one request per connection, and one response
// that closes the connection.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

namespace ondrix_tools {

// Room for any message the page posts, well past the plug-in's own bound on a message (4 MiB):
// a test meets the plug-in's handling of a long message, as the web view carries it, and not the
// server's.
inline constexpr std::size_t MAX_BODY_SIZE = std::size_t{16} << 20;

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

// Why a request could not be read: the connection ended before a request began, or the request
// is malformed (bad request line or headers, a body over MAX_BODY_SIZE, a chunked body, a body
// other than Content-Length says).
enum class ReadFailure { Closed, Malformed };

// What the bytes received so far on a connection make: nothing yet (more are needed), a whole
// request, or a failure. `ended` says the client will send no more.
using Parsed = std::variant<std::monostate, HttpRequest, ReadFailure>;

// Parses the request line, the headers up to the empty line, then Content-Length bytes of body.
// Fails as soon as the bytes cannot become a request. Pure.
Parsed parse_request(std::string_view received, bool ended);

// The whole response: status line, Content-Type (when set), Content-Length, "Connection: close",
// the empty line and the body.
std::string format_response(const HttpResponse& response);

}  // namespace ondrix_tools
