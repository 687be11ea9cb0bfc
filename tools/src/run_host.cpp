#include "run_host.hpp"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "clap_module.hpp"
#include "event_line.hpp"
#include "event_lists.hpp"
#include "host.hpp"
#include "memory_streams.hpp"
#include "run_steps.hpp"
#include "transport.hpp"

namespace ondrix_tools {

namespace {

// A plug-in instance and how far it got; shuts it down in the right order however the run ends.
class PluginSession {
  public:
    explicit PluginSession(const clap_plugin_t* plugin) : plugin_(plugin) {}
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;
    ~PluginSession() {
        stop();
        deactivate();
        plugin_->destroy(plugin_);
    }

    const clap_plugin_t* plugin() const { return plugin_; }

    bool activate(double sample_rate, std::uint32_t frames) {
        active_ = plugin_->activate(plugin_, sample_rate, frames, frames);
        return active_;
    }
    bool start() {
        processing_ = plugin_->start_processing(plugin_);
        return processing_;
    }
    void stop() {
        if (processing_) plugin_->stop_processing(plugin_);
        processing_ = false;
    }
    void deactivate() {
        if (active_) plugin_->deactivate(plugin_);
        active_ = false;
    }

    template <class Extension>
    const Extension* extension(const char* id) const {
        return static_cast<const Extension*>(plugin_->get_extension(plugin_, id));
    }

  private:
    const clap_plugin_t* plugin_;
    bool active_ = false;
    bool processing_ = false;
};

// The 32-bit buffers of one direction's audio ports, as the plug-in declares them.
class AudioBuffers {
  public:
    AudioBuffers(const PluginSession& session, bool is_input, std::uint32_t frames) {
        const auto* ports = session.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
        if (ports == nullptr || ports->count == nullptr || ports->get == nullptr) return;
        const std::uint32_t count =
            std::min<std::uint32_t>(ports->count(session.plugin(), is_input), 64);
        for (std::uint32_t i = 0; i < count; ++i) {
            clap_audio_port_info_t info{};
            if (!ports->get(session.plugin(), i, is_input, &info)) continue;
            const std::uint32_t channels = std::min<std::uint32_t>(info.channel_count, 64);
            auto& port = ports_.emplace_back();
            port.samples.assign(std::size_t{channels} * frames, 0.0f);
            for (std::uint32_t c = 0; c < channels; ++c) {
                port.channels.push_back(port.samples.data() + std::size_t{c} * frames);
            }
        }
        for (auto& port : ports_) {
            clap_audio_buffer_t buffer{};
            buffer.data32 = port.channels.empty() ? nullptr : port.channels.data();
            buffer.channel_count = static_cast<std::uint32_t>(port.channels.size());
            buffers_.push_back(buffer);
        }
    }

    clap_audio_buffer_t* data() { return buffers_.empty() ? nullptr : buffers_.data(); }
    std::uint32_t count() const { return static_cast<std::uint32_t>(buffers_.size()); }

  private:
    struct Port {
        std::vector<float> samples;
        std::vector<float*> channels;
    };
    std::vector<Port> ports_;
    std::vector<clap_audio_buffer_t> buffers_;
};

// The steps after the module is open; returns false with error set at the first that fails.
bool run_plugin(const HostOptions& options, const ClapModule& module, Host& host, RunFiles& files,
                std::ostream& out, std::string& error) {
    const std::optional<StateFile>& state = files.state;
    const clap_plugin_factory_t* factory = module.plugin_factory();
    if (factory == nullptr || factory->get_plugin_count == nullptr ||
        factory->get_plugin_descriptor == nullptr || factory->create_plugin == nullptr) {
        error = "The module has no plug-in factory";
        return false;
    }
    if (factory->get_plugin_count(factory) == 0) {
        error = "The module's factory holds no plug-in";
        return false;
    }
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    if (descriptor == nullptr || descriptor->id == nullptr) {
        error = "The module's factory gives no descriptor for its first plug-in";
        return false;
    }
    const clap_plugin_t* plugin = factory->create_plugin(factory, host.clap_host(), descriptor->id);
    if (plugin == nullptr) {
        error = std::string("The module's factory couldn't create '") + descriptor->id + "'";
        return false;
    }
    if (plugin->init == nullptr || plugin->destroy == nullptr || plugin->activate == nullptr ||
        plugin->deactivate == nullptr || plugin->start_processing == nullptr ||
        plugin->stop_processing == nullptr || plugin->reset == nullptr ||
        plugin->process == nullptr || plugin->get_extension == nullptr ||
        plugin->on_main_thread == nullptr) {
        // Without all of its functions the instance cannot be driven, nor always freed.
        if (plugin->destroy != nullptr) plugin->destroy(plugin);
        error = "The plug-in's clap_plugin table lacks functions";
        return false;
    }
    PluginSession session(plugin);
    if (!plugin->init(plugin)) {
        error = "The plug-in failed to initialise";
        return false;
    }

    const auto* state_extension = session.extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    if (state || files.save) {
        if (state_extension == nullptr || state_extension->load == nullptr ||
            state_extension->save == nullptr) {
            error = "The plug-in has no state extension";
            return false;
        }
    }
    if (state) {
        MemoryInputStream stream(state->document);
        if (!state_extension->load(plugin, stream.stream())) {
            error = refused_state_error("The plug-in", *state);
            return false;
        }
    }

    if (!session.activate(kSampleRate, kBlockFrames)) {
        error = "The plug-in failed to activate";
        return false;
    }
    AudioBuffers inputs(session, true, kBlockFrames);
    AudioBuffers outputs(session, false, kBlockFrames);
    EmptyInputEvents in_events;
    RecordingOutputEvents out_events;
    if (!session.start()) {
        error = "The plug-in failed to start processing";
        return false;
    }

    const auto process_block = [&](std::uint64_t frame, std::uint32_t frames) {
        const clap_event_transport_t transport =
            block_transport(frame, kSampleRate, options.tempo, !options.stopped);
        clap_process_t process{};
        process.steady_time = static_cast<std::int64_t>(frame);
        process.frames_count = frames;
        process.transport = &transport;
        process.audio_inputs = inputs.data();
        process.audio_inputs_count = inputs.count();
        process.audio_outputs = outputs.data();
        process.audio_outputs_count = outputs.count();
        process.in_events = in_events.list();
        process.out_events = out_events.list();
        if (plugin->process(plugin, &process) == CLAP_PROCESS_ERROR) return false;
        for (const RecordedEvent& event : out_events.events()) {
            out << event_line(frame, event) << '\n';
        }
        out_events.clear();
        if (host.take_callback_request()) plugin->on_main_thread(plugin);
        return true;
    };
    if (!run_blocks(options.seconds, "The plug-in", error, process_block)) return false;
    session.stop();

    const auto save = [&]() -> std::optional<std::string> {
        MemoryOutputStream stream;
        if (!state_extension->save(plugin, stream.stream())) return std::nullopt;
        return stream.bytes();
    };
    if (!save_state(files, "The plug-in", save, error)) return false;
    session.deactivate();
    return true;
}

}  // namespace

int run_host(const HostOptions& options, std::ostream& out, std::ostream& err) {
    return run_with_files(
        options, "ondrix-host", out, err, [&](RunFiles& files, std::string& error) {
            Host host(err);
            bool ok = false;
            {
                const std::unique_ptr<ClapModule> module = ClapModule::load(options.module, error);
                if (module) ok = run_plugin(options, *module, host, files, out, error);
            }
            if (ok && host.error_count() > 0) {
                error = fmt::format("the plug-in logged {} error(s)", host.error_count());
                return false;
            }
            return ok;
        });
}

}  // namespace ondrix_tools
