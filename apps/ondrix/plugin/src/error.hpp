#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <clap/ext/log.h>
#include <clap/host.h>

namespace vantrel_ondrix_plugin {

// Why a plug-in call was refused or failed, with the text and the log severity it is reported
// with. Thread: any; a plain value. Owner: the caller.
class PluginWrapperError {
  public:
    enum class Kind : std::uint8_t {
        NullPluginPointer,
        NoInstanceRecord,
        NullArgument,
        InvalidParameter,
        NotInitialized,
        CalledDuringInit,
        BeingDestroyed,
        InitFailed,
        AlreadyInitialized,
        AlreadyActive,
        NotActive,
        StillActive,
        InvalidUtf8,
        NulByte,
        Panic,
        Plugin,
        WithSeverity,
    };

    static PluginWrapperError null_plugin_pointer() {
        return PluginWrapperError(Kind::NullPluginPointer);
    }
    static PluginWrapperError no_instance_record() {
        return PluginWrapperError(Kind::NoInstanceRecord);
    }
    // `what` names the pointer, e.g. "clap_audio_port_info".
    static PluginWrapperError null_argument(std::string_view what);
    static PluginWrapperError invalid_parameter(std::string_view name);
    static PluginWrapperError not_initialized() { return PluginWrapperError(Kind::NotInitialized); }
    static PluginWrapperError called_during_init() {
        return PluginWrapperError(Kind::CalledDuringInit);
    }
    static PluginWrapperError being_destroyed() { return PluginWrapperError(Kind::BeingDestroyed); }
    static PluginWrapperError init_failed() { return PluginWrapperError(Kind::InitFailed); }
    static PluginWrapperError already_initialized() {
        return PluginWrapperError(Kind::AlreadyInitialized);
    }
    static PluginWrapperError already_active() { return PluginWrapperError(Kind::AlreadyActive); }
    static PluginWrapperError not_active() { return PluginWrapperError(Kind::NotActive); }
    // `call` names the function the host called, e.g. "destroy".
    static PluginWrapperError still_active(std::string_view call);
    static PluginWrapperError invalid_utf8(std::size_t position);
    static PluginWrapperError nul_byte(std::size_t position);
    static PluginWrapperError panic() { return PluginWrapperError(Kind::Panic); }
    // The plug-in's own failure, reported with its message at severity 3, then with `reason`
    // (when there is one) on a second line at the same severity.
    static PluginWrapperError plugin(std::string_view message,
                                     std::optional<std::string> reason = std::nullopt);
    static PluginWrapperError with_severity(clap_log_severity severity, std::string_view message);

    Kind kind() const { return kind_; }
    std::string text() const;
    // The line reported after the text, if any.
    const std::optional<std::string>& reason() const { return reason_; }
    // The host log severity; none for the failures that can only go to standard error (there is
    // no instance to find the host through).
    std::optional<clap_log_severity> severity() const;

  private:
    explicit PluginWrapperError(Kind kind, std::string detail = {}, clap_log_severity severity = 0)
        : kind_(kind), detail_(std::move(detail)), severity_(severity) {}

    Kind kind_;
    std::string detail_;
    clap_log_severity severity_;
    std::optional<std::string> reason_;
};

// The result of one plug-in operation: its value or the error to report.
template <class T>
using Outcome = std::variant<T, PluginWrapperError>;

// Reports `error` through the host's "clap.log" when `host` offers it, else as a line
// "[CLAP_PLUGIN_ERROR] <text>" on standard error; its reason follows the same way. Never throws.
void plugin_log(const clap_host_t* host, const PluginWrapperError& error) noexcept;

// Prints "[CLAP_PLUGIN_FACTORY_ERROR] <text>" and a newline on standard error. Never throws.
void factory_error_line(std::string_view text) noexcept;

}  // namespace vantrel_ondrix_plugin
