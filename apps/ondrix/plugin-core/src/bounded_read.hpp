#pragma once

#include <cstddef>
#include <string>

namespace ondrix_plugin_core {

// Appends what is left of the open file `fd` to `bytes`, until the end of the file or until
// `bytes` holds `limit` bytes; returns 0 or the error number. Blocks on the file: main thread or a
// command-line host, never the audio thread.
int read_at_most(int fd, std::size_t limit, std::string& bytes);

}  // namespace ondrix_plugin_core
