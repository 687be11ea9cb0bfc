#include "stream.hpp"

#include <algorithm>
#include <stdexcept>

namespace vantrel_ondrix_plugin {
namespace {

constexpr std::size_t PROBE_SIZE = 32;
constexpr std::size_t MIN_READ_SIZE = 8192;

}  // namespace

std::string StreamError::text() const {
    return "CLAP stream error (code: " + std::to_string(code_) + ")";
}

std::string StreamError::debug() const {
    return "StreamError { code: " + std::to_string(code_) + " }";
}

std::string IoError::text() const {
    return stream_ ? stream_->text() : std::string("failed to write whole buffer");
}

std::variant<std::size_t, StreamError> InputStream::read(std::span<std::uint8_t> buffer) {
    if (raw_->read == nullptr) return std::size_t{0};
    const std::int64_t result = raw_->read(raw_, buffer.data(), buffer.size());
    if (result < 0) return StreamError(result);
    if (static_cast<std::uint64_t>(result) > buffer.size()) {
        throw std::length_error("stream read reported more bytes than requested");
    }
    return static_cast<std::size_t>(result);
}

std::variant<std::string, IoError> InputStream::read_to_end(std::size_t limit) {
    std::string bytes(std::min(PROBE_SIZE, limit), '\0');
    std::size_t filled = 0;
    bool probing = true;
    while (filled < limit) {
        if (!probing && bytes.size() - filled < MIN_READ_SIZE) {
            bytes.resize(std::min(std::max(bytes.size() * 2, filled + MIN_READ_SIZE), limit));
        }
        const std::size_t room = bytes.size() - filled;
        auto result = read(std::span(reinterpret_cast<std::uint8_t*>(bytes.data()) + filled, room));
        if (auto* error = std::get_if<StreamError>(&result)) return IoError::stream(*error);
        const std::size_t got = std::get<std::size_t>(result);
        if (got == 0) {
            bytes.resize(filled);
            return bytes;
        }
        filled += got;
        probing = false;
    }
    return bytes;
}

std::variant<std::size_t, StreamError> OutputStream::write(std::span<const std::uint8_t> bytes) {
    if (raw_->write == nullptr) return std::size_t{0};
    const std::int64_t result = raw_->write(raw_, bytes.data(), bytes.size());
    if (result < 0) return StreamError(result);
    if (static_cast<std::uint64_t>(result) > bytes.size()) {
        throw std::length_error("stream write reported more bytes than offered");
    }
    return static_cast<std::size_t>(result);
}

std::optional<IoError> OutputStream::write_all(std::string_view text) {
    auto rest = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    while (!rest.empty()) {
        auto result = write(rest);
        if (auto* error = std::get_if<StreamError>(&result)) return IoError::stream(*error);
        const std::size_t taken = std::get<std::size_t>(result);
        if (taken == 0) return IoError::write_zero();
        rest = rest.subspan(taken);
    }
    return std::nullopt;
}

}  // namespace vantrel_ondrix_plugin
