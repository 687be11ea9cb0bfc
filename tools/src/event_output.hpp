// Standard output kept for a host's event lines while a plug-in runs in the process.
#pragma once

#include <memory>
#include <ostream>
#include <streambuf>

namespace ondrix_tools {

// Owned by a host's main function, on its one thread; one at a time in a process.
class EventOutput {
  public:
    // Flushes std::cout, keeps a descriptor of the standard output for the event lines, and
    // points file descriptor 1 at standard error, so that what a plug-in writes there itself
    // (log lines) goes with the log. When the descriptors can't be had, stream() is std::cout.
    EventOutput();
    // Flushes the event lines and whatever the process wrote to descriptor 1, and puts it back.
    ~EventOutput();
    EventOutput(const EventOutput&) = delete;
    EventOutput& operator=(const EventOutput&) = delete;

    std::ostream& stream();

  private:
    class Buffer;

    int saved_ = -1;  // the standard output the process was started with
    std::unique_ptr<Buffer> buffer_;
    std::unique_ptr<std::ostream> stream_;
};

}  // namespace ondrix_tools
