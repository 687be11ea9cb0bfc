#pragma once

#include <memory>

#include <clap/ext/state.h>
#include <clap/host.h>

#include "core.hpp"
#include "editor/editor.hpp"
#include "error.hpp"
#include "host_loop.hpp"
#include "stream.hpp"

namespace vantrel_ondrix_plugin {

// What every thread of an instance shares. Thread: any. Owner: the instance record.
struct Shared {
    std::shared_ptr<ondrix_plugin_core::Core> core;
};

// The host main thread's part of an instance: the state extension's work and the editor.
// Thread: host main thread only. Owner: the instance record.
class MainThread {
  public:
    // Looks up the host's "clap.state" (made during init, when the host may be asked).
    MainThread(std::shared_ptr<ondrix_plugin_core::Core> core, const clap_host_t* host);

    // Writes the state document into the host's stream.
    Outcome<bool> save(OutputStream& stream);
    // Reads the whole stream and applies it as a state document. A refused document is reported
    // with the reason on a second line.
    Outcome<bool> load(InputStream& stream);

    // Makes the editor's web view inside the host's view (null: no usable window). Edits the
    // page makes to the patch are reported to the host as unsaved changes.
    Outcome<bool> set_parent(editor::HostView parent);

    // The host's fd watch or timer fired: the editor's web view does its work if it is for it.
    void on_fd(int fd);
    void on_timer(clap_id timer);

    editor::Editor& editor() { return editor_; }
    ondrix_plugin_core::Core& core() { return *core_; }
    const clap_host_t* host() const { return host_; }

  private:
    std::shared_ptr<ondrix_plugin_core::Core> core_;
    const clap_host_t* host_;
    // The host's state table when it offers one with mark_dirty; else null.
    const clap_host_state_t* host_state_;
    // Before the editor, which it outlives; at one address however the MainThread moves.
    std::unique_ptr<ClapHostLoop> loop_;
    editor::Editor editor_;
};

// The plug-in type: builds an instance's parts and declares its extensions.
// Thread: construct on the main thread (init); declare_extensions on any. Owner: static only.
struct OndrixPlugin {
    struct Parts {
        Shared shared;
        MainThread main_thread;
    };

    // The instance constructor run by init: one Core, shared by both parts.
    static Parts construct(const clap_host_t* host);

    // The extension table of `id` ("clap.audio-ports", "clap.note-ports", "clap.state",
    // "clap.gui", "clap.posix-fd-support", "clap.timer-support"), or null. The tables are static and do not depend on the instance.
    static const void* declare_extensions(const char* id) noexcept;
};

}  // namespace vantrel_ondrix_plugin
