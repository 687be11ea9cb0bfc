#pragma once

// One end of the socket between the plug-in and its web view helper: length-prefixed frames,
// written and read without ever blocking. Both processes use it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel_ondrix_plugin::editor::helper {

// The largest frame either side accepts; a longer one means the peer is broken.
inline constexpr std::size_t MAX_FRAME = 64u << 20;

// A non-blocking stream socket carrying frames (a 32-bit little-endian length, then that many
// bytes). Frames to send wait in a queue until the socket takes them. Thread: the one thread that
// serves the socket (the host's main thread in the plug-in, the GTK thread in the helper).
// Owner: the side's web view; it closes the socket.
class Channel {
  public:
    // Takes `fd` and makes it non-blocking.
    explicit Channel(int fd);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    int fd() const { return fd_; }
    bool open() const { return fd_ >= 0 && !broken_; }

    // Sends one frame made of `pieces` one after the other: what the socket takes now goes
    // straight from the pieces, and only the rest is copied into the queue.
    void send(std::span<const std::string_view> pieces);
    void send(std::string_view frame) { send(std::span(&frame, 1)); }
    // Writes queued bytes until the socket is full; false once the peer is gone.
    bool flush();
    bool wants_write() const { return sent_ < queued_.size(); }

    // Reads what the socket holds, at most about `budget` bytes, and hands each whole frame to
    // `on_frame`; false once the peer is gone (a write failed, or the socket ended) or sent a
    // frame longer than MAX_FRAME. One read takes all that waits unless it fills the buffer, so
    // the end of a peer that closed after writing shows on the next call.
    bool receive(const std::function<void(std::string_view frame)>& on_frame,
                 std::size_t budget = 1u << 20);

    // Closes the socket now (the peer sees the end).
    void close();

  private:
    int fd_;
    bool broken_ = false;
    std::string queued_;
    std::size_t sent_ = 0;
    std::string received_;
};

}  // namespace vantrel_ondrix_plugin::editor::helper
