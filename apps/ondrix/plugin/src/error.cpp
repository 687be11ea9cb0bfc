#include "error.hpp"

#include <cstdio>
#include <string>

namespace vantrel_ondrix_plugin {
namespace {

// Writes the whole line, NUL bytes included, then a newline.
void print_line(std::string_view prefix, std::string_view text) noexcept {
    std::fwrite(prefix.data(), 1, prefix.size(), stderr);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

constexpr std::string_view PLUGIN_ERROR_PREFIX = "[CLAP_PLUGIN_ERROR] ";

// One line through the host's log when it offers one, else on standard error.
void log_line(const clap_host_t* host, std::optional<clap_log_severity> severity,
              const std::string& text) {
    if (host != nullptr && severity && host->get_extension != nullptr) {
        const auto* log =
            static_cast<const clap_host_log_t*>(host->get_extension(host, CLAP_EXT_LOG));
        if (log != nullptr && log->log != nullptr) {
            const auto nul = text.find('\0');
            if (nul == std::string::npos) {
                log->log(host, *severity, text.c_str());
                return;
            }
            print_line(PLUGIN_ERROR_PREFIX, "Failed to serialize error message for host: " +
                                                PluginWrapperError::nul_byte(nul).text());
        }
    }
    print_line(PLUGIN_ERROR_PREFIX, text);
}

}  // namespace

PluginWrapperError PluginWrapperError::null_argument(std::string_view what) {
    return PluginWrapperError(Kind::NullArgument, std::string(what));
}

PluginWrapperError PluginWrapperError::invalid_parameter(std::string_view name) {
    return PluginWrapperError(Kind::InvalidParameter, std::string(name));
}

PluginWrapperError PluginWrapperError::still_active(std::string_view call) {
    return PluginWrapperError(Kind::StillActive, std::string(call));
}

PluginWrapperError PluginWrapperError::invalid_utf8(std::size_t position) {
    return PluginWrapperError(Kind::InvalidUtf8, std::to_string(position));
}

PluginWrapperError PluginWrapperError::nul_byte(std::size_t position) {
    return PluginWrapperError(Kind::NulByte, std::to_string(position));
}

PluginWrapperError PluginWrapperError::plugin(std::string_view message,
                                              std::optional<std::string> reason) {
    PluginWrapperError error(Kind::Plugin, std::string(message), CLAP_LOG_ERROR);
    error.reason_ = std::move(reason);
    return error;
}

PluginWrapperError PluginWrapperError::with_severity(clap_log_severity severity,
                                                     std::string_view message) {
    return PluginWrapperError(Kind::WithSeverity, std::string(message), severity);
}

std::string PluginWrapperError::text() const {
    switch (kind_) {
        case Kind::NullPluginPointer:
            return "Plugin method was called with null clap_plugin pointer";
        case Kind::NoInstanceRecord:
            return "Plugin instance was already destroyed (clap_plugin.plugin_data pointer is "
                   "null)";
        case Kind::NullArgument:
            return "Plugin method was called with null " + detail_ + " pointer";
        case Kind::InvalidParameter:
            return "Received invalid parameter '" + detail_ + "'";
        case Kind::NotInitialized:
            return "Plugin was not properly initialized before use";
        case Kind::CalledDuringInit:
            return "Host tried to call plugin function during initialization";
        case Kind::BeingDestroyed:
            return "Plugin is being destroyed";
        case Kind::InitFailed:
            return "Plugin initialization has already failed";
        case Kind::AlreadyInitialized:
            return "Plugin is already initialized";
        case Kind::AlreadyActive:
            return "Plugin was already activated";
        case Kind::NotActive:
            return "Plugin was not activated before calling a audio-thread method";
        case Kind::StillActive:
            return "Host attempted to call '" + detail_ + "' while plugin was still active";
        case Kind::InvalidUtf8:
            return "Encountered string containing invalid UTF-8 at position " + detail_ + ".";
        case Kind::NulByte:
            return "Encountered string containing a NUL byte at position " + detail_ + ".";
        case Kind::Panic:
            return "Plugin panicked";
        case Kind::Plugin:
        case Kind::WithSeverity:
            return detail_;
    }
    return detail_;
}

std::optional<clap_log_severity> PluginWrapperError::severity() const {
    switch (kind_) {
        case Kind::NullPluginPointer:
        case Kind::NoInstanceRecord:
            return std::nullopt;
        case Kind::Panic:
            return CLAP_LOG_PLUGIN_MISBEHAVING;
        case Kind::Plugin:
        case Kind::WithSeverity:
            return severity_;
        default:
            return CLAP_LOG_HOST_MISBEHAVING;
    }
}

void plugin_log(const clap_host_t* host, const PluginWrapperError& error) noexcept {
    try {
        log_line(host, error.severity(), error.text());
        if (error.reason()) log_line(host, error.severity(), *error.reason());
    } catch (...) {
        // Out of memory while formatting: nothing more can be said.
    }
}

void factory_error_line(std::string_view text) noexcept {
    print_line("[CLAP_PLUGIN_FACTORY_ERROR] ", text);
}

}  // namespace vantrel_ondrix_plugin
