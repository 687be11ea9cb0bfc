#include "host.hpp"

#include <cstring>

namespace ondrix_tools {

Host::Host(std::ostream& log) : log_(log) {
    host_.clap_version = CLAP_VERSION;
    host_.host_data = this;
    host_.name = "ondrix-host";
    host_.vendor = "Orbwright Audio";
    host_.url = "";
    host_.version = "0.1.0";
    host_.get_extension = &Host::get_extension;
    host_.request_restart = &Host::request_restart;
    host_.request_process = &Host::request_process;
    host_.request_callback = &Host::request_callback;
}

bool Host::take_callback_request() {
    const bool requested = callback_requested_;
    callback_requested_ = false;
    return requested;
}

const char* Host::severity_name(clap_log_severity severity) {
    switch (severity) {
        case CLAP_LOG_DEBUG:
            return "DEBUG";
        case CLAP_LOG_INFO:
            return "INFO";
        case CLAP_LOG_WARNING:
            return "WARNING";
        case CLAP_LOG_ERROR:
            return "ERROR";
        case CLAP_LOG_FATAL:
            return "FATAL";
        case CLAP_LOG_HOST_MISBEHAVING:
            return "HOST_MISBEHAVING";
        case CLAP_LOG_PLUGIN_MISBEHAVING:
            return "PLUGIN_MISBEHAVING";
        default:
            return "UNKNOWN";
    }
}

Host& Host::of(const clap_host_t* host) {
    return *static_cast<Host*>(host->host_data);
}

const void* Host::get_extension(const clap_host_t* host, const char* id) {
    static const clap_host_log_t log_table = {&Host::log};
    if (host == nullptr || id == nullptr) return nullptr;
    if (std::strcmp(id, CLAP_EXT_LOG) == 0) return &log_table;
    return nullptr;
}

void Host::request_restart(const clap_host_t*) {}

void Host::request_process(const clap_host_t*) {}

void Host::request_callback(const clap_host_t* host) {
    if (host != nullptr) of(host).callback_requested_ = true;
}

void Host::log(const clap_host_t* host, clap_log_severity severity, const char* message) {
    if (host == nullptr) return;
    Host& self = of(host);
    self.log_ << "PLUGIN: " << severity_name(severity) << ": " << (message ? message : "(null)")
              << '\n';
    if (severity >= CLAP_LOG_ERROR) ++self.error_count_;
}

}  // namespace ondrix_tools
