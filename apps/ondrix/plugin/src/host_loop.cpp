#include "host_loop.hpp"

#include <string>

#include "error.hpp"

namespace vantrel_ondrix_plugin {
namespace {

template <class Table>
const Table* host_table(const clap_host_t* host, const char* id) {
    if (host == nullptr || host->get_extension == nullptr) return nullptr;
    return static_cast<const Table*>(host->get_extension(host, id));
}

}  // namespace

ClapHostLoop::~ClapHostLoop() {
    if (fd_) unwatch(*fd_);
}

const clap_host_posix_fd_support_t* ClapHostLoop::fd_support() const {
    const auto* table = host_table<clap_host_posix_fd_support_t>(host_, CLAP_EXT_POSIX_FD_SUPPORT);
    return table != nullptr && table->register_fd != nullptr && table->modify_fd != nullptr &&
                   table->unregister_fd != nullptr
               ? table
               : nullptr;
}

const clap_host_timer_support_t* ClapHostLoop::timer_support() const {
    const auto* table = host_table<clap_host_timer_support_t>(host_, CLAP_EXT_TIMER_SUPPORT);
    return table != nullptr && table->register_timer != nullptr &&
                   table->unregister_timer != nullptr
               ? table
               : nullptr;
}

bool ClapHostLoop::available() const {
    return fd_support() != nullptr || timer_support() != nullptr;
}

bool ClapHostLoop::watch(int fd, bool writable) {
    const clap_posix_fd_flags_t flags =
        CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR | (writable ? CLAP_POSIX_FD_WRITE : 0);
    if (fd_ && *fd_ != fd) unwatch(*fd_);
    if (fd_) {
        // Polled by the timer, which needs no change; else the host's watch changes.
        return fds_ == nullptr || fds_->modify_fd(host_, fd, flags);
    }
    if (const auto* fds = fd_support(); fds != nullptr && fds->register_fd(host_, fd, flags)) {
        fd_ = fd;
        fds_ = fds;
        return true;
    }
    if (const auto* timers = timer_support()) {
        clap_id id = CLAP_INVALID_ID;
        if (timers->register_timer(host_, TIMER_PERIOD_MS, &id)) {
            fd_ = fd;
            timer_ = id;
            return true;
        }
    }
    return false;
}

void ClapHostLoop::unwatch(int fd) {
    if (!fd_ || *fd_ != fd) return;
    if (fds_ != nullptr) fds_->unregister_fd(host_, fd);
    if (timer_) {
        if (const auto* timers = timer_support()) timers->unregister_timer(host_, *timer_);
    }
    fd_.reset();
    fds_ = nullptr;
    timer_.reset();
}

void ClapHostLoop::log(std::string_view message) {
    plugin_log(host_, PluginWrapperError::plugin(message));
}

}  // namespace vantrel_ondrix_plugin
