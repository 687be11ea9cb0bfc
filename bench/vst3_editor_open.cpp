// bench_vst3_editor_open: the editor opened through the VST3 bundle's view, as the VST3 window
// tests' host opens it (run it under `xvfb-run -a -s "-screen 0 1280x800x24"`), once with the run
// loop on the frame and once on the context only. For each: the time from attached to the page's
// first patch (its answer to plugin_init, which marks the host's project changed), the memory of
// the helper with WebKit's processes, and the host's main-thread time spent in the run loop's
// handlers (the adapter serving the editor's socket, its idle timer) while the page is open and
// the plug-in plays on an audio thread, as processor time and on the wall clock.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "editor_window.hpp"
#include "vst3_editor.hpp"

namespace {

using namespace std::chrono_literals;
using namespace ondrix_host_testing;
using namespace vst3_editor_testing;
using Clock = std::chrono::steady_clock;

void measure(const FakeHost& host) {
    Vst3Editor editor(host);
    editor.start();
    std::atomic<bool> playing{true};
    std::thread audio([&] {
        auto next = Clock::now();
        while (playing.load()) {
            editor.play(1);
            next += 10ms;
            std::this_thread::sleep_until(next);
        }
    });

    const auto start = Clock::now();
    const bool opened = editor.open() == Steinberg::kResultOk &&
                        editor.loop.run_until([&] { return editor.dirty_marks() > 0; }, 30s);
    const double to_patch = std::chrono::duration<double>(Clock::now() - start).count();

    // Settle, then serve the open page for a while.
    editor.loop.run_for(2s);
    editor.loop.busy = {};
    editor.loop.busy_cpu = {};
    editor.loop.calls = 0;
    const auto window_start = Clock::now();
    editor.loop.run_for(10s);
    const double seconds = std::chrono::duration<double>(Clock::now() - window_start).count();
    const auto per_second = [seconds](auto time) {
        return std::chrono::duration<double, std::milli>(time).count() / seconds;
    };
    const HelperMemory memory = helper_memory();
    editor.parent.screenshot(screenshot_path("vst3-editor-open-" + std::string(host.name)));

    std::printf(
        "%s: opened %s; attached to the page's first patch %.3f s; helper and WebKit (%d "
        "processes) RSS %.1f MiB, PSS %.1f MiB; host main thread in the run loop's "
        "handlers: %.3f ms per s of processor time (%.3f ms on the wall clock), %.0f "
        "calls/s\n",
        host.name, opened ? "yes" : "NO", to_patch, memory.processes, memory.rss_kib / 1024.0,
        memory.pss_kib / 1024.0, per_second(editor.loop.busy_cpu), per_second(editor.loop.busy),
        static_cast<double>(editor.loop.calls) / seconds);
    std::fflush(stdout);

    editor.close();
    playing = false;
    audio.join();
}

}  // namespace

int main() {
    measure(LOOP_ON_FRAME);
    measure(FakeHost{"LoopOnContextOnly", false, true, false, std::nullopt});
    return 0;
}
