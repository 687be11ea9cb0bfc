#pragma once

// A web view factory for tests and the page test server: every web view it makes records what
// the editor did with it, and can be told to refuse bounds or to run code inside a script call.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/web_view.hpp"

namespace vantrel_ondrix_plugin::editor::testing {

// Everything one web view was made with and was asked to do. Thread: main thread. Owner: shared
// by the web view and its Recorder, so it outlives the view.
struct ViewRecord {
    HostView parent{};
    WebViewConfig config;
    std::vector<Bounds> bounds;
    std::vector<bool> hidden;
    std::vector<double> zooms;
    std::vector<std::string> scripts;
    bool destroyed = false;
    // Set by a test: set_bounds answers false.
    bool refuse_bounds = false;
    // Set by a test: runs inside evaluate_script, after the script is recorded (as a page that
    // posts a message from a reply would).
    std::function<void(std::string_view script)> on_script;
    // Script calls that returned; counted after on_script, so a web view freed under its own
    // call shows up under AddressSanitizer.
    std::size_t scripts_finished = 0;
};

// Installs itself as the process-wide web view factory while it lives. Thread: main thread.
// Owner: the test or the server; not movable (the factory points at it).
class Recorder {
  public:
    enum class Mode { Make, Fail, Throw };

    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // What the next factory call does: make a view, answer null, or throw.
    Mode mode = Mode::Make;
    // Every view made, oldest first.
    std::vector<std::shared_ptr<ViewRecord>> views;

    // The newest view still alive, or null.
    std::shared_ptr<ViewRecord> current() const;
};

}  // namespace vantrel_ondrix_plugin::editor::testing
