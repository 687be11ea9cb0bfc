#include "ondrix_plugin.hpp"

#include <cstring>

#include "extensions.hpp"
#include "refusal.hpp"

namespace vantrel_ondrix_plugin {
namespace {

const clap_host_state_t* host_state_of(const clap_host_t* host) {
    if (host == nullptr || host->get_extension == nullptr) return nullptr;
    const auto* state =
        static_cast<const clap_host_state_t*>(host->get_extension(host, CLAP_EXT_STATE));
    return state != nullptr && state->mark_dirty != nullptr ? state : nullptr;
}

}  // namespace

MainThread::MainThread(std::shared_ptr<ondrix_plugin_core::Core> core, const clap_host_t* host)
    : core_(std::move(core)),
      host_(host),
      host_state_(host_state_of(host)),
      loop_(std::make_unique<ClapHostLoop>(host)) {}

Outcome<bool> MainThread::set_parent(editor::HostView parent) {
    std::function<void()> mark_dirty;
    if (host_state_ != nullptr) {
        mark_dirty = [host = host_, state = host_state_] { state->mark_dirty(host); };
    }
    editor::HostLoop* loop = loop_->available() ? loop_.get() : nullptr;
    if (const auto failure = editor_.set_parent(parent, core_, std::move(mark_dirty), loop)) {
        return PluginWrapperError::plugin(*failure);
    }
    return true;
}

void MainThread::on_fd(int fd) {
    if (loop_->is_watched_fd(fd)) editor_.pump();
}

void MainThread::on_timer(clap_id timer) {
    if (loop_->is_watch_timer(timer)) editor_.pump();
}

Outcome<bool> MainThread::save(OutputStream& stream) {
    if (auto error = stream.write_all(core_->save_state())) {
        return PluginWrapperError::plugin(error->text());
    }
    return true;
}

Outcome<bool> MainThread::load(InputStream& stream) {
    // One byte past the bound is enough to know the state is too long; Core::load_state refuses
    // it then, and nothing more of the stream is read.
    auto bytes = stream.read_to_end(ondrix_plugin_core::MAX_DOCUMENT_BYTES + 1);
    if (auto* error = std::get_if<IoError>(&bytes))
        return PluginWrapperError::plugin(error->text());
    const std::string& document = std::get<std::string>(bytes);
    if (!core_->load_state(document)) {
        // The host shows only its log: the readers' account, with the line and column in the
        // document, follows on a line of its own.
        return PluginWrapperError::plugin("Couldn't read the plugin state",
                                          ondrix_plugin_core::state_refusal(document));
    }
    return true;
}

OndrixPlugin::Parts OndrixPlugin::construct(const clap_host_t* host) {
    auto core = std::make_shared<ondrix_plugin_core::Core>();
    return Parts{Shared{core}, MainThread(core, host)};
}

const void* OndrixPlugin::declare_extensions(const char* id) noexcept {
    if (id == nullptr) return nullptr;
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &AUDIO_PORTS;
    if (std::strcmp(id, CLAP_EXT_NOTE_PORTS) == 0) return &NOTE_PORTS;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &STATE;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &GUI;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &POSIX_FD_SUPPORT;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &TIMER_SUPPORT;
    return nullptr;
}

}  // namespace vantrel_ondrix_plugin
