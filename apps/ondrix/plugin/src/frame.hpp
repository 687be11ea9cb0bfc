#pragma once

#include <exception>
#include <optional>
#include <utility>
#include <variant>

#include "error.hpp"
#include "instance.hpp"

namespace vantrel_ondrix_plugin {

// Which row of the refusal table a call belongs to.
enum class CallKind { Init, GetExtension, MainThread, Activate, AudioThread, Destroy };

// The error that refuses a call of `kind` in `state`, or none when the call may run.
std::optional<PluginWrapperError> refusal(CallKind kind, InstanceState state, bool active);

// The common frame of every plug-in callback: null checks, the state check, the operation under
// a guard that turns any exception into "Plugin panicked", and the report of every error. The
// operation gets the instance record and returns an Outcome<T>; on any error the call answers
// `failure`.
template <class T, class Operation>
T run_call(const clap_plugin_t* plugin, CallKind kind, T failure, Operation&& operation) noexcept {
    if (plugin == nullptr) {
        plugin_log(nullptr, PluginWrapperError::null_plugin_pointer());
        return failure;
    }
    auto* inner = static_cast<PluginBoxInner*>(plugin->plugin_data);
    if (inner == nullptr) {
        plugin_log(nullptr, PluginWrapperError::no_instance_record());
        return failure;
    }
    const clap_host_t* host = inner->host;
    try {
        if (auto refused = refusal(kind, inner->state.load(), inner->audio.active())) {
            plugin_log(host, *refused);
            return failure;
        }
        Outcome<T> outcome = operation(*inner);
        if (auto* error = std::get_if<PluginWrapperError>(&outcome)) {
            plugin_log(host, *error);
            return failure;
        }
        return std::get<T>(std::move(outcome));
    } catch (...) {
        plugin_log(host, PluginWrapperError::panic());
        return failure;
    }
}

// The frame of a main-thread extension function: the operation gets the MainThread part.
template <class T, class Operation>
T run_main_thread(const clap_plugin_t* plugin, T failure, Operation&& operation) noexcept {
    return run_call(
        plugin, CallKind::MainThread, std::move(failure),
        [&](PluginBoxInner& inner) -> Outcome<T> { return operation(*inner.main_thread); });
}

}  // namespace vantrel_ondrix_plugin
