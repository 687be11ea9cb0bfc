#include "instance.hpp"

#include <exception>
#include <memory>

#include "frame.hpp"

namespace vantrel_ondrix_plugin {

std::optional<PluginWrapperError> refusal(CallKind kind, InstanceState state, bool active) {
    switch (state) {
        case InstanceState::Uninitialized:
            if (kind == CallKind::Init || kind == CallKind::Destroy) return std::nullopt;
            return PluginWrapperError::not_initialized();
        case InstanceState::Initializing:
            if (kind == CallKind::Init) return PluginWrapperError::init_failed();
            if (kind == CallKind::GetExtension || kind == CallKind::Destroy) return std::nullopt;
            return PluginWrapperError::called_during_init();
        case InstanceState::Ready:
            if (kind == CallKind::Init) return PluginWrapperError::already_initialized();
            if (kind == CallKind::Activate && active) return PluginWrapperError::already_active();
            if (kind == CallKind::AudioThread && !active) return PluginWrapperError::not_active();
            return std::nullopt;
        case InstanceState::InitFailed:
            if (kind == CallKind::Destroy) return std::nullopt;
            return PluginWrapperError::init_failed();
        case InstanceState::Destroying:
            return PluginWrapperError::being_destroyed();
    }
    return PluginWrapperError::being_destroyed();
}

namespace {

using Unit = std::monostate;

// Empties the audio processor cell; the engine and its Core reference go with it.
Outcome<Unit> deactivate_record(PluginBoxInner& inner) {
    bool expected = true;
    if (!inner.audio.occupied.compare_exchange_strong(expected, false)) {
        return PluginWrapperError::not_active();
    }
    inner.audio.processor.reset();
    return Unit{};
}

bool init(const clap_plugin_t* plugin) noexcept {
    return run_call(plugin, CallKind::Init, false, [](PluginBoxInner& inner) -> Outcome<bool> {
        InstanceState expected = InstanceState::Uninitialized;
        if (!inner.state.compare_exchange_strong(expected, InstanceState::Initializing)) {
            return *refusal(CallKind::Init, expected, inner.audio.active());
        }
        const auto initializer = std::exchange(inner.initializer, nullptr);
        try {
            OndrixPlugin::Parts parts = initializer(inner.host);
            inner.shared.emplace(std::move(parts.shared));
            inner.main_thread.emplace(std::move(parts.main_thread));
        } catch (const std::exception& error) {
            inner.main_thread.reset();
            inner.shared.reset();
            inner.state.store(InstanceState::InitFailed);
            return PluginWrapperError::plugin(error.what());
        } catch (...) {
            inner.main_thread.reset();
            inner.shared.reset();
            inner.state.store(InstanceState::InitFailed);
            return PluginWrapperError::panic();
        }
        inner.state.store(InstanceState::Ready);
        return true;
    });
}

void destroy(const clap_plugin_t* plugin) noexcept {
    run_call(plugin, CallKind::Destroy, Unit{}, [plugin](PluginBoxInner& inner) -> Outcome<Unit> {
        if (inner.state.load() == InstanceState::Ready && inner.audio.active()) {
            auto outcome = deactivate_record(inner);
            if (auto* error = std::get_if<PluginWrapperError>(&outcome))
                plugin_log(inner.host, *error);
        }
        if (inner.state.exchange(InstanceState::Destroying) != InstanceState::Destroying) {
            delete &inner;
            delete plugin;
        }
        return Unit{};
    });
}

bool activate(const clap_plugin_t* plugin, double sample_rate, std::uint32_t /*min_frames*/,
              std::uint32_t /*max_frames*/) noexcept {
    return run_call(plugin, CallKind::Activate, false, [&](PluginBoxInner& inner) -> Outcome<bool> {
        inner.audio.processor.emplace(inner.shared->core, sample_rate);
        bool expected = false;
        inner.audio.occupied.compare_exchange_strong(expected, true);
        return true;
    });
}

void deactivate(const clap_plugin_t* plugin) noexcept {
    run_call(plugin, CallKind::AudioThread, Unit{}, &deactivate_record);
}

bool start_processing(const clap_plugin_t* plugin) noexcept {
    return run_call(plugin, CallKind::AudioThread, false,
                    [](PluginBoxInner& inner) -> Outcome<bool> {
                        inner.audio.processor->start_processing();
                        return true;
                    });
}

// stop_processing and reset: nothing to do once the checks pass.
void no_audio_work(const clap_plugin_t* plugin) noexcept {
    run_call(plugin, CallKind::AudioThread, Unit{},
             [](PluginBoxInner&) -> Outcome<Unit> { return Unit{}; });
}

clap_process_status process(const clap_plugin_t* plugin, const clap_process_t* block) noexcept {
    return run_call(plugin, CallKind::AudioThread, clap_process_status{CLAP_PROCESS_ERROR},
                    [block](PluginBoxInner& inner) -> Outcome<clap_process_status> {
                        if (block == nullptr)
                            return PluginWrapperError::null_argument("clap_process");
                        return inner.audio.processor->process(*block);
                    });
}

const void* get_extension(const clap_plugin_t* plugin, const char* id) noexcept {
    return run_call(plugin, CallKind::GetExtension, static_cast<const void*>(nullptr),
                    [id](PluginBoxInner&) -> Outcome<const void*> {
                        return OndrixPlugin::declare_extensions(id);
                    });
}

void on_main_thread(const clap_plugin_t* plugin) noexcept {
    run_call(plugin, CallKind::MainThread, Unit{},
             [](PluginBoxInner&) -> Outcome<Unit> { return Unit{}; });
}

}  // namespace

const clap_plugin_t* PluginInstance::create(const clap_host_t* host,
                                            const clap_plugin_descriptor_t* desc) {
    auto inner = std::make_unique<PluginBoxInner>(host);
    auto table = std::make_unique<clap_plugin_t>();
    table->desc = desc;
    table->plugin_data = inner.get();
    table->init = &init;
    table->destroy = &destroy;
    table->activate = &activate;
    table->deactivate = &deactivate;
    table->start_processing = &start_processing;
    table->stop_processing = &no_audio_work;
    table->reset = &no_audio_work;
    table->process = &process;
    table->get_extension = &get_extension;
    table->on_main_thread = &on_main_thread;
    inner.release();
    return table.release();
}

}  // namespace vantrel_ondrix_plugin
