#include "http.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace ondrix_tools {
namespace {

constexpr std::size_t MAX_HEAD_SIZE = 64 * 1024;

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

const char* reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

// The head's request line and headers; the body length from Content-Length.
std::optional<std::size_t> parse_head(std::string_view head, HttpRequest& request) {
    std::size_t line_end = head.find("\r\n");
    const std::string_view line = head.substr(0, line_end);
    const std::size_t first = line.find(' ');
    const std::size_t second = first == line.npos ? line.npos : line.find(' ', first + 1);
    if (first == 0 || second == line.npos || line.find(' ', second + 1) != line.npos) return {};
    const std::string_view version = line.substr(second + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return {};
    request.method = line.substr(0, first);
    request.target = line.substr(first + 1, second - first - 1);
    if (request.target.empty() || request.target.front() != '/') return {};

    std::size_t length = 0;
    while (line_end != std::string_view::npos && line_end + 2 < head.size()) {
        const std::size_t start = line_end + 2;
        line_end = head.find("\r\n", start);
        const std::string_view header = head.substr(start, line_end - start);
        const std::size_t colon = header.find(':');
        if (colon == std::string_view::npos || colon == 0) return {};
        const std::string_view name = header.substr(0, colon);
        const std::string_view value = trim(header.substr(colon + 1));
        if (equals_ignoring_case(name, "Transfer-Encoding")) return {};
        if (equals_ignoring_case(name, "Content-Length")) {
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), length);
            if (error != std::errc{} || end != value.data() + value.size() || value.empty())
                return {};
            if (length > MAX_BODY_SIZE) return {};
        }
    }
    return length;
}

}  // namespace

Parsed parse_request(std::string_view received, bool ended) {
    const std::size_t head_end = received.find("\r\n\r\n");
    if (head_end == std::string_view::npos) {
        if (received.size() > MAX_HEAD_SIZE) return ReadFailure::Malformed;
        if (ended) return received.empty() ? ReadFailure::Closed : ReadFailure::Malformed;
        return std::monostate{};
    }
    HttpRequest request;
    const auto length = parse_head(received.substr(0, head_end), request);
    if (!length) return ReadFailure::Malformed;
    const std::string_view body = received.substr(head_end + 4);
    if (body.size() > *length) return ReadFailure::Malformed;
    if (body.size() < *length) {
        if (ended) return ReadFailure::Malformed;
        return std::monostate{};
    }
    request.body = body;
    return request;
}

std::string format_response(const HttpResponse& response) {
    std::string text =
        "HTTP/1.1 " + std::to_string(response.status) + ' ' + reason(response.status) + "\r\n";
    if (!response.content_type.empty()) text += "Content-Type: " + response.content_type + "\r\n";
    text += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    text += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    text += response.body;
    return text;
}

}  // namespace ondrix_tools
