// The files the command-line hosts read and write: a state file in, the saved state out.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace ondrix_tools {

// The bytes of the state file at path, or nothing with the reason in error. A file longer than
// the plug-in reads as a state gives just enough of it for the plug-in to refuse it; what isn't
// a regular file (a folder, a named pipe, a device) is refused at once, saying what it is.
std::optional<std::string> read_state_file(const std::string& path, std::string& error);

// The file a run saves its state to, opened before the run so that a place that can't be
// written stops the run before it starts. A file that wasn't there is created, and removed again
// when the run ends without writing it; one that was keeps its bytes until write replaces them.
// Owned by the run, on the host's one thread.
class SaveFile {
  public:
    // Opens (or creates) the file at path for writing; nothing with the reason in error.
    static std::optional<SaveFile> open(const std::string& path, std::string& error);

    SaveFile(SaveFile&& other) noexcept;
    SaveFile& operator=(SaveFile&&) = delete;
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;
    ~SaveFile();

    // Replaces what the file holds with bytes; false with the reason in error.
    bool write(const std::string& bytes, std::string& error);

  private:
    SaveFile(std::string path, int fd, bool created)
        : path_(std::move(path)), fd_(fd), created_(created) {}

    std::string path_;
    int fd_;
    bool created_;
    bool written_ = false;
};

}  // namespace ondrix_tools
