// CLAP byte streams over memory, for loading and saving a plug-in's state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "clap/clap.h"

namespace ondrix_tools {

// Reads the bytes of a text it does not own. Owned by the caller of the plug-in's state load and
// used on the main thread for that one call. Not movable: the plug-in gets a pointer to stream().
class MemoryInputStream {
  public:
    explicit MemoryInputStream(std::string_view bytes);
    MemoryInputStream(const MemoryInputStream&) = delete;
    MemoryInputStream& operator=(const MemoryInputStream&) = delete;

    const clap_istream_t* stream() const { return &stream_; }

  private:
    static std::int64_t read(const clap_istream_t* stream, void* buffer, std::uint64_t size);

    clap_istream_t stream_;
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// Appends every byte written to a text it owns. Owned by the caller of the plug-in's state save
// and used on the main thread for that one call. Not movable: the plug-in gets a pointer to
// stream().
class MemoryOutputStream {
  public:
    MemoryOutputStream();
    MemoryOutputStream(const MemoryOutputStream&) = delete;
    MemoryOutputStream& operator=(const MemoryOutputStream&) = delete;

    const clap_ostream_t* stream() const { return &stream_; }
    const std::string& bytes() const { return bytes_; }

  private:
    static std::int64_t write(const clap_ostream_t* stream, const void* buffer, std::uint64_t size);

    clap_ostream_t stream_;
    std::string bytes_;
};

}  // namespace ondrix_tools
