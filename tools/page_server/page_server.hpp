// ondrix-page-server's plug-in side: one instance of the linked plug-in with its editor open on
// a recording web view, played on an audio thread, and the answers to the server's requests.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "clap/clap.h"
#include "host.hpp"
#include "http.hpp"
#include "recording_web_view.hpp"

namespace ondrix_tools {

// Owned by main; every function but the audio loop runs on the main thread, which is the
// plug-in's main thread.
class PageServer {
  public:
    PageServer();
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Initialises the entry and one instance, opens the editor in an "x11" window, activates it
    // at 48 kHz and starts the audio thread. False with the reason on standard error.
    bool open();

    // The answer to one request; sets quit_requested() for POST /__test/quit.
    HttpResponse handle(const HttpRequest& request);
    bool quit_requested() const { return quit_; }

    // Closes everything in host order: gui destroy, deactivate (after the audio thread stops),
    // destroy, entry deinit. Safe to call twice.
    void close();

  private:
    HttpResponse ipc(const std::string& body);
    HttpResponse config() const;
    HttpResponse save_state();
    HttpResponse load_state(const std::string& body);
    HttpResponse set_start_scripts(const std::string& body);
    HttpResponse start_script(std::string_view number) const;
    std::string with_start_scripts(std::string html) const;
    void audio_loop();

    Host host_;
    vantrel_ondrix_plugin::editor::testing::Recorder recorder_;
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_t* plugin_ = nullptr;
    bool gui_created_ = false;
    bool active_ = false;
    std::atomic<bool> playing_{false};
    std::thread audio_;
    bool quit_ = false;
    // Scripts every served HTML document runs first; none until a test sets them.
    std::vector<std::string> start_scripts_;
};

}  // namespace ondrix_tools
