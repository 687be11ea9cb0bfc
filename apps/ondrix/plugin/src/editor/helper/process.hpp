#pragma once

// The web view helper as a child process: where its program comes from, starting it with its end
// of the socket, and ending it.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace vantrel_ondrix_plugin::editor::helper {

// What the plug-in ran to start a helper and how that ended.
// Thread: main thread. Owner: the web view that started it.
class Process {
  public:
    // Starts the helper with `socket` as its descriptor 3 (the caller keeps and closes its own
    // copy) in a process group of its own. Fills `error` with the reason when it can't.
    static std::optional<Process> start(int socket, std::string& error);

    Process(Process&& other) noexcept;
    Process& operator=(Process&&) = delete;
    Process(const Process&) = delete;
    ~Process();

    pid_t pid() const { return pid_; }

    // Ends the helper and everything it started (its process group) and reaps it, waiting a
    // bounded time; returns its wait status, or none if it could not be reaped in that time.
    std::optional<int> end();

  private:
    explicit Process(pid_t pid) : pid_(pid) {}
    pid_t pid_;
};

// How a helper's wait status reads in the host's log ("exit status 127", "signal 9").
std::string describe_status(int status);

// Where the helper's program comes from: by default the executable built into the plug-in, run
// from memory (or, where memory may not be run, from a copy in the user's cache folder). Tests
// name a file instead. Thread: main thread.
void set_program_path(std::optional<std::string> path);
// Whether the built-in program may be run from memory; tests turn it off to take the cache copy.
void set_run_from_memory(bool allowed);

// The exit status of a helper whose dynamic loader could not find a library it needs.
inline constexpr int LIBRARY_MISSING = 127;

}  // namespace vantrel_ondrix_plugin::editor::helper
