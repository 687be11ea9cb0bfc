#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include <clap/stream.h>

namespace vantrel_ondrix_plugin {

// A negative result returned by a host stream. Thread: main thread. Owner: the caller.
class StreamError {
  public:
    explicit StreamError(std::int64_t code) : code_(code) {}

    std::int64_t code() const { return code_; }
    // "CLAP stream error (code: <code>)".
    std::string text() const;
    // "StreamError { code: <code> }".
    std::string debug() const;

  private:
    std::int64_t code_;
};

// A failed transfer through a host stream: the host's own error, or a write that took no bytes.
// Neither is ever retried. Thread: main thread. Owner: the caller.
class IoError {
  public:
    static IoError stream(StreamError error) { return IoError(error); }
    static IoError write_zero() { return IoError(std::nullopt); }

    const std::optional<StreamError>& stream_error() const { return stream_; }
    std::string text() const;

  private:
    explicit IoError(std::optional<StreamError> stream) : stream_(stream) {}
    std::optional<StreamError> stream_;
};

// Reads through a host's clap_istream. Thread: main thread. Owner: the caller; the stream is the
// host's and must outlive the reader.
class InputStream {
  public:
    explicit InputStream(const clap_istream_t& raw) : raw_(&raw) {}

    // Bytes read into `buffer` (0 at the end of the stream, or when the host gives no read
    // function), or the host's error. A host that claims more bytes than asked for is a fault
    // the reader refuses to trust (it throws).
    std::variant<std::size_t, StreamError> read(std::span<std::uint8_t> buffer);

    // Reads until the end of the stream, or until `limit` bytes have come: a first read of 32
    // bytes, then reads of at least 8192 (fewer only where the limit is near).
    std::variant<std::string, IoError> read_to_end(std::size_t limit);

  private:
    const clap_istream_t* raw_;
};

// Writes through a host's clap_ostream. Thread: main thread. Owner: the caller; the stream is the
// host's and must outlive the writer.
class OutputStream {
  public:
    explicit OutputStream(const clap_ostream_t& raw) : raw_(&raw) {}

    // Bytes the host took (0 when it gives no write function), or its error. A host that claims
    // more bytes than offered is a fault the writer refuses to trust (it throws).
    std::variant<std::size_t, StreamError> write(std::span<const std::uint8_t> bytes);

    // Writes every byte, however few each call takes; a write that takes none fails.
    std::optional<IoError> write_all(std::string_view text);

  private:
    const clap_ostream_t* raw_;
};

}  // namespace vantrel_ondrix_plugin
