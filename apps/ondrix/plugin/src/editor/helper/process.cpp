#include "editor/helper/process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "editor/embedded_files.hpp"

extern char** environ;

namespace vantrel_ondrix_plugin::editor::helper {
namespace {

constexpr std::string_view PROGRAM_NAME = "ondrix-web-view";
constexpr int CHILD_SOCKET = 3;
// The descriptor the program is run from when it comes from memory.
constexpr int CHILD_PROGRAM = 4;

struct ProgramSource {
    std::optional<std::string> path;
    bool run_from_memory = true;
};

ProgramSource& source() {
    static ProgramSource the_source;
    return the_source;
}

std::string_view built_in_program() {
    for (const EmbeddedFile& file : helper_files()) {
        if (file.path == PROGRAM_NAME) return file.bytes;
    }
    return {};
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A descriptor holding the program, or -1.
int program_in_memory(std::string_view program) {
    const int fd = memfd_create(PROGRAM_NAME.data(), MFD_CLOEXEC);
    if (fd < 0) return -1;
    if (!write_all(fd, program)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The program as a file in the user's cache folder, written once per build of it; empty when
// it can't be.
std::string program_in_cache(std::string_view program) {
    namespace fs = std::filesystem;
    fs::path folder;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/') {
        folder = cache;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        folder = fs::path(home) / ".cache";
    } else {
        return {};
    }
    folder /= "vantrel-ondrix";
    std::error_code error;
    fs::create_directories(folder, error);
    const fs::path file =
        folder / (std::string(PROGRAM_NAME) + "-" +
                  std::to_string(std::hash<std::string_view>{}(program)) + "-" +
                  std::to_string(program.size()));
    struct stat existing {};
    if (::stat(file.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        static_cast<std::size_t>(existing.st_size) == program.size()) {
        return file;
    }
    // Written under a name of its own first, so no other instance runs a half-written copy.
    const fs::path partial = file.string() + "." + std::to_string(::getpid());
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0700);
    if (fd < 0) return {};
    const bool written = write_all(fd, program);
    ::close(fd);
    if (!written || ::rename(partial.c_str(), file.c_str()) != 0) {
        ::unlink(partial.c_str());
        return {};
    }
    return file;
}

// Spawns `path` with the socket as descriptor 3 (and `program_fd`, if any, as 4), nothing else
// inherited but standard input and output, default signal handling, in a new process group.
int spawn(const std::string& path, int socket, int program_fd, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, socket, CHILD_SOCKET);
    int first_closed = CHILD_SOCKET + 1;
    if (program_fd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, program_fd, CHILD_PROGRAM);
        first_closed = CHILD_PROGRAM + 1;
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, first_closed);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETPGROUP);

    const std::string socket_arg = std::to_string(CHILD_SOCKET);
    const std::string parent_arg = std::to_string(::getpid());
    std::string name(PROGRAM_NAME);
    std::vector<char*> argv{name.data(), const_cast<char*>(socket_arg.c_str()),
                            const_cast<char*>(parent_arg.c_str()), nullptr};
    const int result = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

}  // namespace

void set_program_path(std::optional<std::string> path) {
    source().path = std::move(path);
}

void set_run_from_memory(bool allowed) {
    source().run_from_memory = allowed;
}

std::optional<Process> Process::start(int socket, std::string& error) {
    pid_t pid = 0;
    if (source().path) {
        if (const int result = spawn(*source().path, socket, -1, pid); result != 0) {
            error = std::string("Couldn't start the editor's web view: ") + std::strerror(result);
            return std::nullopt;
        }
        return Process(pid);
    }

    const std::string_view program = built_in_program();
    if (source().run_from_memory) {
        if (const int fd = program_in_memory(program); fd >= 0) {
            const int result =
                spawn("/proc/self/fd/" + std::to_string(CHILD_PROGRAM), socket, fd, pid);
            ::close(fd);
            if (result == 0) return Process(pid);
        }
    }
    // Memory that may not be run (or no /proc): a file in the cache folder.
    const std::string path = program_in_cache(program);
    if (path.empty()) {
        error = "Couldn't start the editor's web view: no place to run it from (memory can't be "
                "run and the cache folder can't be written)";
        return std::nullopt;
    }
    if (const int result = spawn(path, socket, -1, pid); result != 0) {
        error = "Couldn't start the editor's web view from " + path + ": " + std::strerror(result);
        return std::nullopt;
    }
    return Process(pid);
}

Process::Process(Process&& other) noexcept : pid_(std::exchange(other.pid_, 0)) {}

Process::~Process() {
    end();
}

std::optional<int> Process::end() {
    if (pid_ <= 0) return std::nullopt;
    const pid_t pid = std::exchange(pid_, 0);
    // Until it is reaped the helper's id, and so its group's, can be no one else's.
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        int status = 0;
        const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
        if (reaped == pid) return status;
        // Reaped by someone else (a host that waits for every child, or ignores SIGCHLD).
        if (reaped < 0 && errno != EINTR) return std::nullopt;
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string describe_status(int status) {
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

}  // namespace vantrel_ondrix_plugin::editor::helper
