// The gui extension through the built module's C ABI, on Linux: an embedded "x11" editor. The
// test host here offers neither fd support nor timers, so set_parent with a good window is
// refused before any web view is made (the editor_window tests open the real one).
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap_test_host.hpp"

namespace ondrix_plugin_testing {
namespace {

const LogLine NO_EDITOR{CLAP_LOG_ERROR, "No editor"};
const LogLine NO_WINDOW{CLAP_LOG_ERROR, "The host didn't give the editor a window"};
const LogLine NO_HOST_LOOP{CLAP_LOG_ERROR,
                           "The host can't run the editor: it offers neither "
                           "clap.posix-fd-support nor clap.timer-support"};
LogLine null_argument(const std::string& what) {
    return {CLAP_LOG_HOST_MISBEHAVING, "Plugin method was called with null " + what + " pointer"};
}

int parent_view;

// The gui table, a static of the module, as an initialised instance answers it.
const clap_plugin_gui_t& gui_table() {
    static const auto* table = [] {
        PluginUnderTest ready;
        ready.plugin()->init(ready.plugin());
        return ready.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    }();
    return *table;
}

class Gui : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(p->init(p)); }

    std::vector<LogLine>& log() { return instance.host().lines; }
    // The size get_size reports, with its result; outputs start as 7 x 7.
    std::pair<bool, std::pair<std::uint32_t, std::uint32_t>> size() {
        std::uint32_t width = 7;
        std::uint32_t height = 7;
        const bool ok = gui.get_size(p, &width, &height);
        return {ok, {width, height}};
    }

    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    const clap_plugin_gui_t& gui = gui_table();
};

TEST_F(Gui, OnlyAnEmbeddedX11EditorIsSupported) {
    const struct {
        const char* api;
        bool floating;
        bool supported;
    } cases[] = {
        {"x11", false, true},  {"x11", true, false},   {"cocoa", false, false},
        {"X11", false, false}, {"x11 ", false, false}, {"wayland", false, false},
        {"", false, false},    {nullptr, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.api == nullptr ? "null" : c.api);
        EXPECT_EQ(gui.is_api_supported(p, c.api, c.floating), c.supported);
    }

    const char* api = nullptr;
    bool floating = true;
    EXPECT_TRUE(gui.get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, "x11");
    EXPECT_FALSE(floating);
    EXPECT_TRUE(log().empty());

    EXPECT_FALSE(gui.get_preferred_api(p, nullptr, &floating));
    EXPECT_FALSE(gui.get_preferred_api(p, &api, nullptr));
    EXPECT_EQ(log(), std::vector<LogLine>(2, null_argument("get_preferred_api output")));
}

TEST_F(Gui, CreateGivesTheDefaultSizeAndSetSizeStoresIt) {
    EXPECT_EQ(size(), std::pair(false, std::pair(0u, 0u))) << "no editor yet";
    ASSERT_TRUE(gui.create(p, "x11", false));
    EXPECT_EQ(size(), std::pair(true, std::pair(1180u, 760u)));
    EXPECT_TRUE(gui.set_size(p, 1000, 640)) << "without a web view the size is only stored";
    EXPECT_EQ(size(), std::pair(true, std::pair(1000u, 640u)));
    ASSERT_TRUE(gui.create(p, "x11", false)) << "a second create starts a new editor";
    EXPECT_EQ(size(), std::pair(true, std::pair(1180u, 760u)));

    std::uint32_t width = 1;
    EXPECT_FALSE(gui.get_size(p, &width, nullptr));
    EXPECT_FALSE(gui.get_size(p, nullptr, &width));
    EXPECT_EQ(width, 1u);
    EXPECT_TRUE(log().empty());

    gui.destroy(p);
    EXPECT_EQ(size(), std::pair(false, std::pair(0u, 0u)));
    EXPECT_FALSE(gui.set_size(p, 1000, 640));
    EXPECT_EQ(log(), std::vector<LogLine>{NO_EDITOR});
    gui.destroy(p);
    EXPECT_EQ(log().size(), 1u) << "destroying no editor is quiet";
}

TEST_F(Gui, AdjustSizeKeepsTheMinimum) {
    const struct {
        std::uint32_t width, height, adjusted_width, adjusted_height;
    } cases[] = {
        {640, 480, 900, 560},
        {1200, 300, 1200, 560},
        {900, 560, 900, 560},
        {0, 4000, 900, 4000},
        {UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX},
    };
    for (bool with_editor : {false, true}) {
        if (with_editor) {
            ASSERT_TRUE(gui.create(p, "x11", false));
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
            std::uint32_t width = c.width;
            std::uint32_t height = c.height;
            EXPECT_TRUE(gui.adjust_size(p, &width, &height));
            EXPECT_EQ(width, c.adjusted_width);
            EXPECT_EQ(height, c.adjusted_height);
        }
    }
    std::uint32_t width = 10;
    EXPECT_FALSE(gui.adjust_size(p, &width, nullptr));
    EXPECT_FALSE(gui.adjust_size(p, nullptr, &width));
    EXPECT_EQ(width, 10u);
    EXPECT_TRUE(log().empty());
}

TEST_F(Gui, SetParentChecksTheWindowThenTheEditorThenTheHost) {
    const clap_window_t x11{"x11", {.x11 = 0x2a}};
    const clap_window_t x11_without_window{"x11", {.x11 = 0}};
    const clap_window_t cocoa{"cocoa", {&parent_view}};
    const clap_window_t no_api{nullptr, {&parent_view}};

    const struct {
        const char* name;
        const clap_window_t* window;
        LogLine without_editor;
        LogLine with_editor;
    } cases[] = {
        {"null window", nullptr, null_argument("clap_window"), null_argument("clap_window")},
        {"cocoa", &cocoa, NO_WINDOW, NO_WINDOW},
        {"no api", &no_api, NO_WINDOW, NO_WINDOW},
        {"x11 without a window", &x11_without_window, NO_WINDOW, NO_WINDOW},
        {"x11", &x11, NO_EDITOR, NO_HOST_LOOP},
    };
    for (bool with_editor : {false, true}) {
        if (with_editor) {
            ASSERT_TRUE(gui.create(p, "x11", false));
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (with_editor ? " with" : " without") + " editor");
            log().clear();
            EXPECT_FALSE(gui.set_parent(p, c.window));
            EXPECT_EQ(log(), std::vector<LogLine>{with_editor ? c.with_editor : c.without_editor});
        }
    }
    log().clear();
    EXPECT_EQ(size(), std::pair(true, std::pair(1180u, 760u)))
        << "a failed set_parent keeps the editor";
    EXPECT_TRUE(gui.show(p)) << "no web view: nothing to show";
    EXPECT_TRUE(gui.hide(p));
    EXPECT_TRUE(log().empty());
}

TEST_F(Gui, TheSlotsAFloatingWindowWouldUse) {
    EXPECT_TRUE(gui.set_scale(p, 2.0));
    EXPECT_TRUE(gui.can_resize(p));
    EXPECT_TRUE(gui.show(p)) << "no editor: nothing to show";
    EXPECT_TRUE(gui.hide(p));

    clap_gui_resize_hints_t hints{true, true, true, 16, 9};
    EXPECT_FALSE(gui.get_resize_hints(p, &hints));
    EXPECT_FALSE(hints.can_resize_horizontally);
    EXPECT_FALSE(hints.can_resize_vertically);
    EXPECT_FALSE(hints.preserve_aspect_ratio);
    EXPECT_EQ(hints.aspect_ratio_width, 1u);
    EXPECT_EQ(hints.aspect_ratio_height, 1u);
    EXPECT_FALSE(gui.get_resize_hints(p, nullptr));

    const clap_window_t window{"x11", {.x11 = 0x2a}};
    EXPECT_TRUE(gui.set_transient(p, &window));
    gui.suggest_title(p, "Ondrix \xE2\x9C\x93");
    gui.suggest_title(p, nullptr);
    EXPECT_TRUE(log().empty());

    EXPECT_FALSE(gui.set_transient(p, nullptr));
    gui.suggest_title(p, "ab\xC3(");
    gui.suggest_title(p, "\xED\xA0\x80");
    EXPECT_EQ(log(), (std::vector<LogLine>{
                         null_argument("clap_window"),
                         {CLAP_LOG_HOST_MISBEHAVING,
                          "Encountered string containing invalid UTF-8 at position 2."},
                         {CLAP_LOG_HOST_MISBEHAVING,
                          "Encountered string containing invalid UTF-8 at position 0."},
                     }));
}

TEST(GuiBeforeInit, EverySlotIsRefused) {
    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    const clap_plugin_gui_t& gui = gui_table();
    const clap_window_t window{"x11", {.x11 = 0x2a}};
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const char* api = nullptr;
    bool floating = false;
    clap_gui_resize_hints_t hints{};
    EXPECT_FALSE(gui.is_api_supported(p, "x11", false));
    EXPECT_FALSE(gui.get_preferred_api(p, &api, &floating));
    EXPECT_FALSE(gui.create(p, "x11", false));
    gui.destroy(p);
    EXPECT_FALSE(gui.set_scale(p, 1.0));
    EXPECT_FALSE(gui.get_size(p, &width, &height));
    EXPECT_FALSE(gui.can_resize(p));
    EXPECT_FALSE(gui.get_resize_hints(p, &hints));
    EXPECT_FALSE(gui.adjust_size(p, &width, &height));
    EXPECT_FALSE(gui.set_size(p, 1000, 700));
    EXPECT_FALSE(gui.set_parent(p, &window));
    EXPECT_FALSE(gui.set_transient(p, &window));
    gui.suggest_title(p, "Ondrix");
    EXPECT_FALSE(gui.show(p));
    EXPECT_FALSE(gui.hide(p));
    EXPECT_EQ(instance.host().lines,
              std::vector<LogLine>(15, {CLAP_LOG_HOST_MISBEHAVING,
                                        "Plugin was not properly initialized before use"}));
}

}  // namespace
}  // namespace ondrix_plugin_testing
