#include "event_output.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <iostream>

namespace ondrix_tools {

// Writes through to a file descriptor in chunks.
class EventOutput::Buffer : public std::streambuf {
  public:
    explicit Buffer(int fd) : fd_(fd) { setp(bytes_.data(), bytes_.data() + bytes_.size()); }

  protected:
    int_type overflow(int_type c) override {
        if (sync() != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        const char* from = pbase();
        while (from < pptr()) {
            const ssize_t put = ::write(fd_, from, static_cast<std::size_t>(pptr() - from));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return -1;
            from += put;
        }
        setp(bytes_.data(), bytes_.data() + bytes_.size());
        return 0;
    }

  private:
    int fd_;
    std::array<char, 65536> bytes_{};
};

EventOutput::EventOutput() {
    std::cout.flush();
    std::fflush(stdout);
    saved_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ < 0) return;
    if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        ::close(saved_);
        saved_ = -1;
        return;
    }
    buffer_ = std::make_unique<Buffer>(saved_);
    stream_ = std::make_unique<std::ostream>(buffer_.get());
}

EventOutput::~EventOutput() {
    if (saved_ < 0) return;
    stream_->flush();
    std::cout.flush();
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
}

std::ostream& EventOutput::stream() {
    return stream_ ? *stream_ : std::cout;
}

}  // namespace ondrix_tools
