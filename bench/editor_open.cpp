// bench_editor_open: the figures of the editor on Linux, measured on the real thing (run it under
// `xvfb-run -a -s "-screen 0 1280x800x24"`, or on a desktop): for the host's fd support and for
// its timers, the time from set_parent to the page's plugin_init, the memory of the helper with
// WebKit's processes, and the host's main-thread time spent serving the editor's socket while the
// page is open and polls live values every frame (the plug-in playing on an audio thread), as
// processor time (a loaded machine inflates the wall clock) and split into the protocol's
// answers and their trip into the socket.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <span>
#include <string>
#include <thread>

#include "clap_test_host.hpp"
#include "descriptor.hpp"
#include "editor/web_view.hpp"
#include "editor_window.hpp"
#include "extensions.hpp"
#include "instance.hpp"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using namespace ondrix_plugin_testing;
using namespace ondrix_host_testing;
namespace editor = vantrel_ondrix_plugin::editor;

// The platform's web view with the time its script calls take (the reply's trip into the socket)
// added up.
class TimedView final : public editor::WebView {
  public:
    TimedView(std::unique_ptr<editor::WebView> inner, std::chrono::nanoseconds& scripts,
              std::size_t& bytes)
        : inner_(std::move(inner)), scripts_(scripts), bytes_(bytes) {}
    bool set_bounds(const editor::Bounds& bounds) override { return inner_->set_bounds(bounds); }
    void set_hidden(bool hidden) override { inner_->set_hidden(hidden); }
    void set_page_zoom(double factor) override { inner_->set_page_zoom(factor); }
    void evaluate_script(std::string_view script) override {
        const auto start = thread_cpu_time();
        inner_->evaluate_script(script);
        scripts_ += thread_cpu_time() - start;
        bytes_ += script.size();
    }
    void evaluate_script_parts(std::span<const std::string_view> parts) override {
        const auto start = thread_cpu_time();
        inner_->evaluate_script_parts(parts);
        scripts_ += thread_cpu_time() - start;
        for (const std::string_view part : parts) bytes_ += part.size();
    }
    void pump() override { inner_->pump(); }

  private:
    std::unique_ptr<editor::WebView> inner_;
    std::chrono::nanoseconds& scripts_;
    std::size_t& bytes_;
};

void measure(bool fd_support) {
    MainLoop loop;
    X11Parent parent(1180, 760);
    TestHost host;
    host.loop = &loop;
    host.offers_fd_support = fd_support;
    host.offers_timer_support = !fd_support;
    vantrel_ondrix_plugin::PluginDescriptor descriptor;
    const clap_plugin_t* p =
        vantrel_ondrix_plugin::PluginInstance::create(host.raw(), descriptor.raw());
    loop.on_fd = [p](int fd, std::uint32_t flags) {
        vantrel_ondrix_plugin::POSIX_FD_SUPPORT.on_fd(p, fd, flags);
    };
    loop.on_timer = [p](std::uint32_t id) { vantrel_ondrix_plugin::TIMER_SUPPORT.on_timer(p, id); };

    // The platform's web view, with the page's first message timed on its way in.
    Clock::time_point init_at{};
    std::uint64_t posts = 0;
    std::chrono::nanoseconds handling{};
    std::chrono::nanoseconds scripts{};
    std::size_t script_bytes = 0;
    editor::set_web_view_factory([&](editor::HostView view, editor::WebViewConfig config) {
        config.on_message = [&, inner = config.on_message](std::string_view message) {
            if (init_at == Clock::time_point{} &&
                message.find("\"plugin_init\"") != std::string_view::npos) {
                init_at = Clock::now();
            }
            ++posts;
            const auto handle_start = thread_cpu_time();
            inner(message);
            handling += thread_cpu_time() - handle_start;
        };
        auto made = editor::make_platform_web_view(view, std::move(config));
        return made ? std::make_unique<TimedView>(std::move(made), scripts, script_bytes)
                    : nullptr;
    });

    p->init(p);
    p->activate(p, 48000.0, 480, 480);
    std::atomic<bool> playing{true};
    std::thread audio([&] {
        p->start_processing(p);
        auto next = Clock::now();
        while (playing.load()) {
            Block block(480);
            OutputEvents out;
            block.process().out_events = out.raw();
            p->process(p, &block.process());
            next += 10ms;
            std::this_thread::sleep_until(next);
        }
        p->stop_processing(p);
    });

    const auto& gui = vantrel_ondrix_plugin::GUI;
    const clap_window_t window{CLAP_WINDOW_API_X11, {.x11 = parent.id()}};
    gui.create(p, CLAP_WINDOW_API_X11, false);
    const auto start = Clock::now();
    const bool opened = gui.set_parent(p, &window) && gui.show(p);
    loop.run_until([&] { return init_at != Clock::time_point{}; }, 30s);
    const double to_init = std::chrono::duration<double>(init_at - start).count();

    // Settle, then serve the open page for a while.
    loop.run_for(2s);
    loop.busy = {};
    loop.busy_cpu = {};
    loop.calls = 0;
    posts = 0;
    handling = {};
    scripts = {};
    script_bytes = 0;
    const auto window_start = Clock::now();
    loop.run_for(10s);
    const double seconds = std::chrono::duration<double>(Clock::now() - window_start).count();
    const auto per_second = [seconds](auto time) {
        return std::chrono::duration<double, std::milli>(time).count() / seconds;
    };

    const HelperMemory memory = helper_memory();
    parent.screenshot(screenshot_path(std::string("editor-open-") + (fd_support ? "fd" : "timer")));

    std::printf("%s: opened %s; set_parent to plugin_init %.3f s; helper and WebKit (%d "
                "processes) RSS %.1f MiB, PSS %.1f MiB; main thread serving the socket: %.3f ms "
                "per s of processor time (%.3f ms on the wall clock), %.0f calls/s, %.0f page "
                "messages/s; of the processor time, answering them %.3f ms per s, of which sending "
                "the replies %.3f ms (%.0f bytes each)\n",
                fd_support ? "clap.posix-fd-support" : "clap.timer-support",
                opened ? "yes" : "NO", to_init, memory.processes, memory.rss_kib / 1024.0,
                memory.pss_kib / 1024.0,
                per_second(loop.busy_cpu), per_second(loop.busy),
                static_cast<double>(loop.calls) / seconds, static_cast<double>(posts) / seconds,
                per_second(handling), per_second(scripts),
                posts != 0 ? static_cast<double>(script_bytes) / static_cast<double>(posts) : 0.0);
    std::fflush(stdout);

    gui.destroy(p);
    playing = false;
    audio.join();
    p->deactivate(p);
    p->destroy(p);
    editor::set_web_view_factory({});
}

}  // namespace

int main() {
    measure(true);
    measure(false);
    return 0;
}
