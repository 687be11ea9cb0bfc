// The host side that the command-line host hands to a plug-in: its clap_host and clap.log.
#pragma once

#include <cstddef>
#include <ostream>

#include "clap/clap.h"

namespace ondrix_tools {

// Owned by the command-line host and touched only by its one thread, which plays both the main
// and the audio thread; the plug-in may call it from either. Not movable: the plug-in keeps a
// pointer to clap_host().
class Host {
  public:
    // Log lines go to log, as "PLUGIN: <SEVERITY>: <message>".
    explicit Host(std::ostream& log);
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    const clap_host_t* clap_host() const { return &host_; }

    // How many messages the plug-in logged at severity ERROR or worse.
    std::size_t error_count() const { return error_count_; }

    // True once after each request_callback; the caller then runs the plug-in's on_main_thread.
    bool take_callback_request();

    // The text of a log severity, such as "ERROR"; "UNKNOWN" for a value outside the ABI's.
    static const char* severity_name(clap_log_severity severity);

  private:
    static Host& of(const clap_host_t* host);
    static const void* get_extension(const clap_host_t* host, const char* id);
    static void request_restart(const clap_host_t* host);
    static void request_process(const clap_host_t* host);
    static void request_callback(const clap_host_t* host);
    static void log(const clap_host_t* host, clap_log_severity severity, const char* message);

    clap_host_t host_;
    std::ostream& log_;
    std::size_t error_count_ = 0;
    bool callback_requested_ = false;
};

}  // namespace ondrix_tools
