// How the editor's helper process starts, and what the host's log says when it can't: the
// plug-in is linked in, so the test can say where the helper's program comes from. No X display
// is used here: the real helper, started without one, reports that it couldn't open it.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap_test_host.hpp"
#include "descriptor.hpp"
#include "editor/helper/helper_web_view.hpp"
#include "editor/helper/process.hpp"
#include "extensions.hpp"
#include "instance.hpp"
#include "main_loop.hpp"

namespace ondrix_plugin_testing {
namespace {

using namespace std::chrono_literals;
namespace helper = vantrel_ondrix_plugin::editor::helper;
using vantrel_ondrix_plugin::PluginDescriptor;
using vantrel_ondrix_plugin::PluginInstance;

const clap_window_t WINDOW{CLAP_WINDOW_API_X11, {.x11 = 0x2a}};
const clap_plugin_gui_t& gui = vantrel_ondrix_plugin::GUI;

// An active instance of the linked plug-in whose host serves fds; the helper's program source
// and the environment are put back afterwards.
class HelperStart : public ::testing::Test {
  protected:
    void SetUp() override {
        host.loop = &loop;
        loop.on_fd = [this](int fd, std::uint32_t flags) {
            vantrel_ondrix_plugin::POSIX_FD_SUPPORT.on_fd(p, fd, flags);
        };
        if (const char* display = std::getenv("DISPLAY")) saved_display = display;
        unsetenv("DISPLAY");
        ASSERT_TRUE(p->init(p));
        ASSERT_TRUE(p->activate(p, 48000.0, 1, 4096));
        ASSERT_TRUE(p->start_processing(p));
    }
    void TearDown() override {
        p->destroy(p);
        helper::set_program_path(std::nullopt);
        helper::set_run_from_memory(true);
        if (saved_display) setenv("DISPLAY", saved_display->c_str(), 1);
    }

    // Opens the editor and serves the loop until the host's log holds a line.
    std::string open_and_wait_for_log() {
        EXPECT_TRUE(gui.create(p, CLAP_WINDOW_API_X11, false));
        EXPECT_TRUE(gui.set_parent(p, &WINDOW)) << "the helper starts; it fails afterwards";
        loop.run_until([&] { return !host.lines.empty(); }, 20s);
        EXPECT_TRUE(loop.fds().empty()) << "the socket of an ended helper stays watched";
        return host.lines.empty() ? "" : host.lines[0].message;
    }

    bool plays() {
        Block block(480);
        OutputEvents out;
        block.process().out_events = out.raw();
        return p->process(p, &block.process()) == CLAP_PROCESS_CONTINUE;
    }

    MainLoop loop;
    TestHost host;
    PluginDescriptor descriptor;
    const clap_plugin_t* p = PluginInstance::create(host.raw(), descriptor.raw());
    std::optional<std::string> saved_display;
};

TEST_F(HelperStart, WithoutWebKitGtkOnlyTheEditorFailsAndTheLogNamesThePackage) {
    helper::set_program_path(ONDRIX_HELPER_WITHOUT_LIBRARY);
    EXPECT_EQ(open_and_wait_for_log(),
              "The editor needs WebKitGTK 4.1 (GTK 3), which this system lacks: install the "
              "package libwebkit2gtk-4.1-0 (Debian, Ubuntu) and open the editor again");
    EXPECT_EQ(host.lines.size(), 1u);
    EXPECT_TRUE(plays());
}

TEST_F(HelperStart, TheBuiltInHelperRunsFromMemoryOrFromTheCacheFolder) {
    const auto cache = std::filesystem::temp_directory_path() / ("ondrix-cache-" + std::to_string(getpid()));
    std::filesystem::remove_all(cache);
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    for (const bool from_memory : {true, false}) {
        SCOPED_TRACE(from_memory ? "from memory" : "from the cache folder");
        helper::set_run_from_memory(from_memory);
        host.lines.clear();
        // It started and spoke: without a display it says so before it ends.
        EXPECT_EQ(open_and_wait_for_log(), "The editor couldn't open the X11 display");
        EXPECT_TRUE(plays());
        gui.destroy(p);
        const bool cached = std::filesystem::exists(cache / "vantrel-ondrix") &&
                            !std::filesystem::is_empty(cache / "vantrel-ondrix");
        EXPECT_EQ(cached, !from_memory);
    }
    unsetenv("XDG_CACHE_HOME");
    std::filesystem::remove_all(cache);
}

}  // namespace
}  // namespace ondrix_plugin_testing
