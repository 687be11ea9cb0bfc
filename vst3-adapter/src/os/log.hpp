#pragma once

// The adapter's log lines on standard output, and the main-thread millisecond tick.

#include <cstdint>
#include <string_view>
#include <utility>

#include <fmt/format.h>

namespace os {

// Writes `text` and a newline to standard output and flushes it.
void log(std::string_view text);

// A line prefixed with where it was written: "file:line (function) message".
template <typename... Args>
void logWithLocation(const char* file, int line, const char* function,
                     fmt::format_string<Args...> format, Args&&... args) {
    fmt::memory_buffer text;
    fmt::format_to(std::back_inserter(text), "{}:{} ({}) ", file, line, function);
    fmt::format_to(std::back_inserter(text), format, std::forward<Args>(args)...);
    log(std::string_view(text.data(), text.size()));
}

// Milliseconds of a monotonic clock: it advances while the process sleeps. Main thread.
std::uint64_t getTickInMS();

}  // namespace os
