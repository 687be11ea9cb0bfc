#include "extensions.hpp"
#include "frame.hpp"

namespace vantrel_ondrix_plugin {
namespace {

using Unit = std::monostate;

void on_fd(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t /*flags*/) noexcept {
    run_main_thread(plugin, Unit{}, [fd](MainThread& main) -> Outcome<Unit> {
        main.on_fd(fd);
        return Unit{};
    });
}

void on_timer(const clap_plugin_t* plugin, clap_id timer) noexcept {
    run_main_thread(plugin, Unit{}, [timer](MainThread& main) -> Outcome<Unit> {
        main.on_timer(timer);
        return Unit{};
    });
}

}  // namespace

const clap_plugin_posix_fd_support_t POSIX_FD_SUPPORT{&on_fd};
const clap_plugin_timer_support_t TIMER_SUPPORT{&on_timer};

}  // namespace vantrel_ondrix_plugin
