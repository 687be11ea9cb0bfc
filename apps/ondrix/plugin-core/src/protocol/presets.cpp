#include "protocol/presets.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

#include "bounded_read.hpp"
#include "document_limit.hpp"
#include "protocol/unicode.hpp"

namespace ondrix_plugin_core::protocol {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view extension = "vtond";
// A write goes to ".vtond-write-<process id>-<count>" beside the preset first.
constexpr std::string_view temporary_prefix = ".vtond-write-";
constexpr std::string_view open_quote = "\u201C";
constexpr std::string_view close_quote = "\u201D";

template <class T>
Result<T> fail(std::string text) {
    return Result<T>::failure(std::move(text));
}

// The system's description of an error number, as every file-system failure is reported.
std::string os_error(int number) {
    return std::generic_category().message(number) + " (os error " + std::to_string(number) + ")";
}

std::string nul_in_name() {
    return "file name contained an unexpected NUL byte";
}

bool holds_nul(const fs::path& path) {
    return path.native().find('\0') != std::string::npos;
}

// `base` with `component` appended as one more path component; an empty base gives the component
// alone (a relative path).
std::string join(std::string base, std::string_view component) {
    if (!base.empty() && base.back() != '/') base += '/';
    base += component;
    return base;
}

bool is_directory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The path without its last component: "" for a single relative component, "/" for a top-level
// one.
std::string parent_of(const std::string& path) {
    std::size_t end = path.find_last_of('/');
    if (end == std::string::npos) return {};
    while (end > 0 && path[end - 1] == '/') --end;
    if (end == 0) return "/";
    return path.substr(0, end);
}

// mkdir -p with mode 0777 (less the umask). Returns 0 or the error number.
int create_folders(const std::string& path) {
    if (path.empty()) return 0;
    if (::mkdir(path.c_str(), 0777) == 0) return 0;
    int error = errno;
    if (error != ENOENT) return is_directory(path) ? 0 : error;
    if (const int parent_error = create_folders(parent_of(path)); parent_error != 0) {
        return parent_error;
    }
    if (::mkdir(path.c_str(), 0777) == 0) return 0;
    error = errno;
    return is_directory(path) ? 0 : error;
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports the error number of close (0 when it went well).
    int close() {
        const int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

// Writes all of `text` to `fd`; returns 0 or the error number.
int write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::string in_quotes(std::string_view name) {
    std::string text(open_quote);
    text += name;
    text += close_quote;
    return text;
}

// A new, empty file beside `target` that no preset name can ever collide with: its name begins
// with "." and has no ".vtond" extension, so it is never listed either.
std::optional<std::pair<fs::path, int>> create_temporary_beside(const fs::path& target,
                                                                int& error) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            target.parent_path() / (std::string(temporary_prefix) + std::to_string(::getpid()) +
                                    "-" + std::to_string(counter.fetch_add(1)));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return std::pair{candidate, fd};
        error = errno;
        if (error != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

// The decimal number that is the whole of `digits` (no sign, no leading zero), when it fits.
std::optional<pid_t> whole_number(std::string_view digits) {
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    if (digits.front() == '0' && digits.size() > 1) return std::nullopt;
    pid_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// True for a temporary file left by a write whose process is gone, killed before it could
// rename or remove it: nothing else would ever remove it. A file of a process that still runs
// (or may: one this process cannot signal), or of this process, is left alone.
bool is_stale_temporary(std::string_view file) {
    if (!file.starts_with(temporary_prefix)) return false;
    file.remove_prefix(temporary_prefix.size());
    const std::size_t dash = file.find('-');
    if (dash == std::string_view::npos || !whole_number(file.substr(dash + 1))) return false;
    const auto pid = whole_number(file.substr(0, dash));
    return pid && *pid > 0 && *pid != ::getpid() && ::kill(*pid, 0) != 0 && errno == ESRCH;
}

// Removes the stale temporary files among the entries of the open folder `listing`, and gives
// every other name to `keep`. A file that cannot be removed is passed over.
template <class Keep>
void sweep(DIR* listing, Keep&& keep) {
    // A read error ends the listing; what was read so far is kept.
    while (const dirent* entry = ::readdir(listing)) {
        if (is_stale_temporary(entry->d_name)) {
            ::unlinkat(::dirfd(listing), entry->d_name, 0);
        } else {
            keep(std::string_view(entry->d_name));
        }
    }
}

// True when the file system reports anything at `path`, a dangling symbolic link included.
bool anything_at(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Renames without replacing what may have appeared at `to` since it was checked, where the
// system offers that. Returns 0 or the error number.
int rename_no_replace(const fs::path& from, const fs::path& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string already_exists(std::string_view trimmed_name) {
    return "There's already a preset called " + in_quotes(trimmed_name);
}

}  // namespace

Result<fs::path> presets_dir() {
    const char* home = std::getenv("HOME");
    if (home == nullptr) return fail<fs::path>("No home folder for presets");
    const std::string folder = join(join(join(home, "Documents"), "Vantrel Ondrix"), "Presets");
    if (const int error = create_folders(folder); error != 0) {
        return fail<fs::path>(os_error(error));
    }
    return Result<fs::path>::success(fs::path(folder));
}

Result<fs::path> preset_path(std::string_view name) {
    const std::string_view trimmed = trim_white_space(name);
    const bool refused = !is_valid_utf8(name) || trimmed.empty() || trimmed.front() == '.' ||
                         trimmed.find_first_of("/:\\") != std::string_view::npos;
    if (refused) {
        std::string text = in_quotes(utf8_lossy(name));
        text += " can't be used as a preset name";
        return fail<fs::path>(std::move(text));
    }
    auto folder = presets_dir();
    if (!folder) return fail<fs::path>(folder.error());
    std::string file(trimmed);
    file += '.';
    file += extension;
    return Result<fs::path>::success(folder.value() / file);
}

Result<std::vector<std::string>> presets_list() {
    using Names = std::vector<std::string>;
    auto folder = presets_dir();
    if (!folder) return fail<Names>(folder.error());

    DIR* listing = ::opendir(folder.value().c_str());
    if (listing == nullptr) return fail<Names>(os_error(errno));

    struct Entry {
        std::string key;
        std::string name;
    };
    std::vector<Entry> entries;
    sweep(listing, [&entries](std::string_view file) {
        const std::size_t dot = file.rfind('.');
        if (dot == std::string_view::npos || dot == 0) return;
        if (file.substr(dot + 1) != extension) return;
        std::string name = utf8_lossy(file.substr(0, dot));
        std::string key = to_lower(name);
        entries.push_back({std::move(key), std::move(name)});
    });
    ::closedir(listing);

    // std::string compares as unsigned bytes, which is the UTF-8 order of the lowercase forms.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    Names names;
    names.reserve(entries.size());
    for (Entry& entry : entries) names.push_back(std::move(entry.name));
    return Result<Names>::success(std::move(names));
}

Result<std::string> preset_read(std::string_view name) {
    auto path = preset_path(name);
    if (!path) return fail<std::string>(path.error());
    if (holds_nul(path.value())) return fail<std::string>(nul_in_name());

    // Only a regular file is read (a FIFO in the folder is refused at once, not waited on), and
    // only up to the bound: one byte more tells a file that is too large.
    std::string text;
    const auto unread = read_regular_file(path.value(), MAX_DOCUMENT_BYTES + 1, text);
    const std::string_view trimmed = trim_white_space(name);
    if (unread && unread->type != 0) {
        return fail<std::string>(in_quotes(trimmed) + " isn't a preset file");
    }
    if (unread) return fail<std::string>(os_error(unread->error));
    if (text.size() > MAX_DOCUMENT_BYTES) {
        return fail<std::string>(in_quotes(trimmed) + " is too large to be a preset");
    }
    if (!is_valid_utf8(text)) return fail<std::string>("stream did not contain valid UTF-8");
    return Result<std::string>::success(std::move(text));
}

Done preset_write(std::string_view name, std::string_view text) {
    auto path = preset_path(name);
    if (!path) return fail<std::monostate>(path.error());
    const fs::path& target = path.value();
    if (holds_nul(target)) return fail<std::monostate>(nul_in_name());

    // What may be written over must be writable: a read-only preset or a folder in its place
    // refuses the write, and a replaced preset keeps its permission bits.
    std::optional<mode_t> kept_mode;
    {
        FileDescriptor existing(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (existing.get() < 0 && errno != ENOENT) return fail<std::monostate>(os_error(errno));
        struct stat info {};
        if (existing.get() >= 0 && ::fstat(existing.get(), &info) == 0) {
            kept_mode = info.st_mode & 07777;
        }
    }

    // What earlier writes killed midway left behind goes first.
    if (DIR* listing = ::opendir(target.parent_path().c_str())) {
        sweep(listing, [](std::string_view) {});
        ::closedir(listing);
    }

    // The text goes to a temporary file first and replaces the preset by a rename, so a full
    // disk or a crash never leaves a truncated preset behind.
    int error = 0;
    auto temporary = create_temporary_beside(target, error);
    if (!temporary) return fail<std::monostate>(os_error(error));
    const fs::path& temporary_path = temporary->first;
    FileDescriptor file(temporary->second);

    if (kept_mode) ::fchmod(file.get(), *kept_mode);
    error = write_all(file.get(), text);
    if (error == 0 && ::fsync(file.get()) != 0) error = errno;
    if (const int close_error = file.close(); error == 0) error = close_error;
    if (error == 0 && std::rename(temporary_path.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary_path.c_str());
        return fail<std::monostate>(os_error(error));
    }
    return Done::success(std::monostate{});
}

Done preset_delete(std::string_view name) {
    auto path = preset_path(name);
    if (!path) return fail<std::monostate>(path.error());
    if (holds_nul(path.value())) return fail<std::monostate>(nul_in_name());
    if (::unlink(path.value().c_str()) != 0) return fail<std::monostate>(os_error(errno));
    return Done::success(std::monostate{});
}

Done preset_rename(std::string_view from, std::string_view to) {
    auto source = preset_path(from);
    if (!source) return fail<std::monostate>(source.error());
    auto target = preset_path(to);
    if (!target) return fail<std::monostate>(target.error());

    if (!holds_nul(target.value()) && anything_at(target.value())) {
        return fail<std::monostate>(already_exists(trim_white_space(to)));
    }
    if (holds_nul(source.value()) || holds_nul(target.value())) {
        return fail<std::monostate>(nul_in_name());
    }
    const int error = rename_no_replace(source.value(), target.value());
    if (error == EEXIST) return fail<std::monostate>(already_exists(trim_white_space(to)));
    if (error != 0) return fail<std::monostate>(os_error(error));
    return Done::success(std::monostate{});
}

}  // namespace ondrix_plugin_core::protocol
