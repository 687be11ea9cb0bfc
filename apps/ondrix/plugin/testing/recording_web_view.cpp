#include "recording_web_view.hpp"

#include <stdexcept>
#include <utility>

namespace vantrel_ondrix_plugin::editor::testing {
namespace {

class RecordingWebView final : public WebView {
  public:
    explicit RecordingWebView(std::shared_ptr<ViewRecord> record) : record_(std::move(record)) {}
    ~RecordingWebView() override { record_->destroyed = true; }

    bool set_bounds(const Bounds& bounds) override {
        record_->bounds.push_back(bounds);
        return !record_->refuse_bounds;
    }
    void set_hidden(bool hidden) override { record_->hidden.push_back(hidden); }
    void set_page_zoom(double factor) override { record_->zooms.push_back(factor); }
    void evaluate_script(std::string_view script) override {
        record_->scripts.emplace_back(script);
        if (record_->on_script) {
            // A copy: the callback may replace itself.
            auto callback = record_->on_script;
            callback(script);
        }
        ++record_->scripts_finished;
    }

  private:
    std::shared_ptr<ViewRecord> record_;
};

}  // namespace

Recorder::Recorder() {
    set_web_view_factory([this](HostView parent, WebViewConfig config) -> std::unique_ptr<WebView> {
        if (mode == Mode::Throw) throw std::runtime_error("the web view failed");
        if (mode == Mode::Fail) return nullptr;
        auto record = std::make_shared<ViewRecord>();
        record->parent = parent;
        record->config = std::move(config);
        views.push_back(record);
        return std::make_unique<RecordingWebView>(std::move(record));
    });
}

Recorder::~Recorder() {
    set_web_view_factory({});
}

std::shared_ptr<ViewRecord> Recorder::current() const {
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        if (!(*it)->destroyed) return *it;
    }
    return nullptr;
}

}  // namespace vantrel_ondrix_plugin::editor::testing
