#include "memory_streams.hpp"

#include <algorithm>
#include <cstring>

namespace ondrix_tools {

MemoryInputStream::MemoryInputStream(std::string_view bytes) : bytes_(bytes) {
    stream_.ctx = this;
    stream_.read = &MemoryInputStream::read;
}

std::int64_t MemoryInputStream::read(const clap_istream_t* stream, void* buffer,
                                     std::uint64_t size) {
    if (stream == nullptr || (buffer == nullptr && size > 0)) return -1;
    auto& self = *static_cast<MemoryInputStream*>(stream->ctx);
    const std::size_t left = self.bytes_.size() - self.position_;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(size, left));
    if (count > 0) std::memcpy(buffer, self.bytes_.data() + self.position_, count);
    self.position_ += count;
    return static_cast<std::int64_t>(count);
}

MemoryOutputStream::MemoryOutputStream() {
    stream_.ctx = this;
    stream_.write = &MemoryOutputStream::write;
}

std::int64_t MemoryOutputStream::write(const clap_ostream_t* stream, const void* buffer,
                                       std::uint64_t size) {
    if (stream == nullptr || (buffer == nullptr && size > 0)) return -1;
    auto& self = *static_cast<MemoryOutputStream*>(stream->ctx);
    self.bytes_.append(static_cast<const char*>(buffer), static_cast<std::size_t>(size));
    return static_cast<std::int64_t>(size);
}

}  // namespace ondrix_tools
