#pragma once

// The host's side of the real editor in a real X server, whichever plug-in format opens it: the
// host's main loop, the top-level window the editor embeds in, and what a test waits for there.
// The format's own part (the CLAP gui table, the VST3 view) is the test's.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "main_loop.hpp"
#include "x11_parent.hpp"

namespace ondrix_host_testing {

// The parent's size, the editor's own default; the screen (xvfb-run's -screen) is larger,
// leaving room off the parent for the pointer.
inline constexpr int EDITOR_WIDTH = 1180;
inline constexpr int EDITOR_HEIGHT = 760;
// Generous: the ASan build and a loaded machine start WebKit slowly.
inline constexpr std::chrono::seconds PAGE_LIMIT{30};
// The name of the editor's helper process.
inline constexpr const char* HELPER = "ondrix-web-view";

// The editor's processes a test kills, with the plug-in's log line when one goes: the helper,
// and WebKit's web process inside it (named as /proc names it, cut to 15 characters).
struct KilledProcess {
    const char* name;
    const char* logged;
};
inline constexpr KilledProcess KILLED_PROCESSES[] = {
    {HELPER, "The editor's web view ended (signal 9); close and open the editor to start it again"},
    {"WebKitWebProces", "The editor's page ended: its web process crashed"},
};

// Thread: the test's thread, which stands for the host's main thread. Owner: the test. Declared
// before the plug-in in a fixture: the loop and the window outlive the instance, which
// unregisters from the one and is embedded in the other until it goes.
class EditorWindow {
  public:
    MainLoop loop;
    X11Parent parent{EDITOR_WIDTH, EDITOR_HEIGHT};

    // The helpers this test process runs (the plug-in is loaded into it).
    static std::vector<pid_t> helpers();

    // Serves the loop until the parent holds a child of the given size, viewable or not.
    bool wait_for_child(int width, int height, bool viewable = true);
    // Serves the loop until the page has drawn (it draws only after plugin_init is answered),
    // and leaves its screenshot at screenshot_path(name).
    bool wait_for_page(const std::string& name);
    // Serves the loop until the parent is empty (the editor's window gone).
    bool wait_for_no_child(std::chrono::milliseconds limit);
};

// The running test's "Suite.Name", with '/' made '-' (a file name).
std::string test_name();

// Where the screenshot `name`.png goes: editor-screenshots/ in the build folder, made if need be.
std::string screenshot_path(const std::string& name);

// Checks that the plug-in's state document `after` holds the page's starter patch (16 sources,
// 64 outputs of which the first two on, 120 BPM), unlike `before`, taken before the page ran.
void expect_starter_patch(const std::string& before, const std::string& after);

// The memory of the editor's helpers with WebKit's processes (each helper's process group),
// from /proc/PID/smaps_rollup.
struct HelperMemory {
    int processes = 0;
    long rss_kib = 0;
    long pss_kib = 0;
};
HelperMemory helper_memory();

}  // namespace ondrix_host_testing
