// An owner of Clap::Plugin that records every call it gets, in order, as text. Thread: the
// test's thread. Owner: the test.
#pragma once

#include <string>
#include <vector>

#include "clap/host.hpp"

namespace clap_host_testing {

class RecordingOwner : public Clap::IHost {
  public:
    std::vector<std::string> calls;
    // What every operation with a result answers.
    bool answer = true;
    bool contextMenu = false;
    std::string name = "Test Host";

    void setupWrapperSpecifics(const clap_plugin_t*) override { note("setupWrapperSpecifics"); }
    void setupAudioBusses(const clap_plugin_t*, const clap_plugin_audio_ports_t*) override {
        note("setupAudioBusses");
    }
    void setupMIDIBusses(const clap_plugin_t*, const clap_plugin_note_ports_t*) override {
        note("setupMIDIBusses");
    }
    void setupParameters(const clap_plugin_t*, const clap_plugin_params_t*) override {
        note("setupParameters");
    }
    void param_rescan(clap_param_rescan_flags flags) override {
        note("param_rescan " + std::to_string(flags));
    }
    void param_clear(clap_id id, clap_param_clear_flags flags) override {
        note("param_clear " + std::to_string(id) + " " + std::to_string(flags));
    }
    void param_request_flush() override { note("param_request_flush"); }
    bool gui_can_resize() override { return note("gui_can_resize"); }
    bool gui_request_resize(uint32_t width, uint32_t height) override {
        return note("gui_request_resize " + std::to_string(width) + " " + std::to_string(height));
    }
    bool gui_request_show() override { return note("gui_request_show"); }
    bool gui_request_hide() override { return note("gui_request_hide"); }
    void latency_changed() override { note("latency_changed"); }
    void tail_changed() override { note("tail_changed"); }
    void mark_dirty() override { note("mark_dirty"); }
    void restartPlugin() override { note("restartPlugin"); }
    void request_callback() override { note("request_callback"); }
    bool track_info_get(clap_track_info_t*) override { return note("track_info_get"); }
    bool register_timer(uint32_t period, clap_id*) override {
        return note("register_timer " + std::to_string(period));
    }
    bool unregister_timer(clap_id id) override {
        return note("unregister_timer " + std::to_string(id));
    }
    bool register_fd(int fd, clap_posix_fd_flags_t flags) override {
        return note("register_fd " + std::to_string(fd) + " " + std::to_string(flags));
    }
    bool modify_fd(int fd, clap_posix_fd_flags_t flags) override {
        return note("modify_fd " + std::to_string(fd) + " " + std::to_string(flags));
    }
    bool unregister_fd(int fd) override { return note("unregister_fd " + std::to_string(fd)); }
    const char* host_get_name() override {
        note("host_get_name");
        return name.c_str();
    }
    bool supportsContextMenu() const override { return contextMenu; }
    bool context_menu_populate(const clap_context_menu_target_t*,
                               const clap_context_menu_builder_t*) override {
        return note("context_menu_populate");
    }
    bool context_menu_perform(const clap_context_menu_target_t*, clap_id action) override {
        return note("context_menu_perform " + std::to_string(action));
    }
    bool context_menu_can_popup() override { return note("context_menu_can_popup"); }
    bool context_menu_popup(const clap_context_menu_target_t*, int32_t screen, int32_t x,
                            int32_t y) override {
        return note("context_menu_popup " + std::to_string(screen) + " " + std::to_string(x) + " " +
                    std::to_string(y));
    }

  private:
    bool note(std::string call) {
        calls.push_back(std::move(call));
        return answer;
    }
};

}  // namespace clap_host_testing
