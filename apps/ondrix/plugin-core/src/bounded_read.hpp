#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ondrix_plugin_core {

// Appends what is left of the open file `fd` to `bytes`, until the end of the file or until
// `bytes` holds `limit` bytes; returns 0 or the error number. Blocks on the file: main thread or a
// command-line host, never the audio thread.
int read_at_most(int fd, std::size_t limit, std::string& bytes);

// Why read_regular_file gave no file: the error number of the open, fstat or read, or, when the
// path holds something other than a regular file, its type bits (S_IFDIR, S_IFIFO and so on).
struct Unread {
    int error = 0;
    unsigned type = 0;
};

// Reads the regular file at `path` into `bytes` as read_at_most does, up to `limit` bytes. The
// open does not wait, so a FIFO without a writer is refused at once, as is anything else that
// isn't a regular file (a folder, a device, a socket), without reading from it. Nothing when the
// file was read, else why not (`bytes` then holds nothing to use). Blocks as read_at_most does.
std::optional<Unread> read_regular_file(const std::string& path, std::size_t limit,
                                        std::string& bytes);

}  // namespace ondrix_plugin_core
