// The editor host with a recording web view factory: how the web view is made, what the page's
// messages do to it, and that every way of letting the editor go lets go of the web view, the
// page and the handler's Core reference. The plug-in is linked in, so the factory it uses is the
// one the test installs.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "clap_test_host.hpp"
#include "descriptor.hpp"
#include "editor/editor.hpp"
#include "extensions.hpp"
#include "instance.hpp"
#include "patches.hpp"
#include "protocol/page.hpp"
#include "recording_web_view.hpp"

namespace ondrix_plugin_testing {
namespace {

namespace editor = vantrel_ondrix_plugin::editor;
using editor::Bounds;
using editor::testing::Recorder;
using editor::testing::ViewRecord;
using vantrel_ondrix_plugin::OndrixPlugin;
using vantrel_ondrix_plugin::PluginBoxInner;
using vantrel_ondrix_plugin::PluginDescriptor;
using vantrel_ondrix_plugin::PluginInstance;

constexpr clap_xwnd HOST_WINDOW = 0x2a;
const clap_window_t WINDOW{CLAP_WINDOW_API_X11, {.x11 = HOST_WINDOW}};
const clap_plugin_gui_t& gui = vantrel_ondrix_plugin::GUI;

std::string invoke(const std::string& cmd, const nlohmann::json& args = nlohmann::json::object(),
                   int id = 1) {
    return nlohmann::json{{"type", "invoke"}, {"id", id}, {"cmd", cmd}, {"args", args}}.dump();
}

std::string reply_script(const std::string& reply) {
    return ondrix_plugin_core::protocol::script(reply);
}

// An initialised instance of the linked plug-in, with a recording web view factory installed.
class EditorHost : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(p->init(p)); }
    void TearDown() override {
        if (p != nullptr) p->destroy(p);
    }

    PluginBoxInner& inner() { return *static_cast<PluginBoxInner*>(p->plugin_data); }
    long core_uses() { return inner().shared->core.use_count(); }
    void open() {
        ASSERT_TRUE(gui.create(p, CLAP_WINDOW_API_X11, false));
        ASSERT_TRUE(gui.set_parent(p, &WINDOW));
    }
    // Posts `message` as the page in `view` would.
    static void post(const std::shared_ptr<ViewRecord>& view, const std::string& message) {
        const auto on_message = view->config.on_message;
        on_message(message);
    }
    void post(const std::string& message) { post(recorder.current(), message); }

    Recorder recorder;
    PluginDescriptor descriptor;
    TestHost host;
    const clap_plugin_t* p = PluginInstance::create(host.raw(), descriptor.raw());
};

TEST_F(EditorHost, TheWebViewIsMadeForThePluginPage) {
    open();
    ASSERT_EQ(recorder.views.size(), 1u);
    const ViewRecord& view = *recorder.views[0];
    EXPECT_EQ(view.parent, HOST_WINDOW);
    EXPECT_EQ(view.config.scheme, "ondrix");
    ASSERT_EQ(view.config.scripts.size(), 2u);
    EXPECT_EQ(view.config.scripts[0].source, "window.__VANTREL_PLUGIN__ = true");
    EXPECT_TRUE(view.config.scripts[0].main_frame_only);
    EXPECT_EQ(view.config.scripts[1].source,
              "Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: "
              "function(s) { window.webkit.messageHandlers.ipc.postMessage(s) } }) });");
    EXPECT_EQ(view.config.start_url, "ondrix://localhost/index.html");
    EXPECT_EQ(view.config.bounds, (Bounds{0, 0, 1180, 760}));
    EXPECT_EQ(view.config.handler, "ipc");

    const auto index = view.config.on_request("ondrix://localhost/index.html");
    EXPECT_EQ(index.status, 200);
    EXPECT_EQ(index.body, editor::serve("ondrix://localhost/").body);

    post(invoke("plugin_init"));
    EXPECT_EQ(view.scripts, std::vector<std::string>{reply_script(
                                R"({"id":1,"ok":true,"type":"reply","value":{"patch":null}})")});
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(EditorHost, SizeShowAndHideReachTheWebView) {
    ASSERT_TRUE(gui.create(p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui.set_size(p, 1000, 640));
    ASSERT_TRUE(gui.set_parent(p, &WINDOW));
    ViewRecord& view = *recorder.current();
    EXPECT_EQ(view.config.bounds, (Bounds{0, 0, 1000, 640})) << "the size set before the web view";

    EXPECT_TRUE(gui.set_size(p, 1100, 700));
    view.refuse_bounds = true;
    EXPECT_FALSE(gui.set_size(p, 1200, 800));
    EXPECT_EQ(view.bounds, (std::vector<Bounds>{{0, 0, 1100, 700}, {0, 0, 1200, 800}}));
    EXPECT_EQ(host.lines, (std::vector<LogLine>{{CLAP_LOG_ERROR, "Couldn't resize the editor"}}));
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    EXPECT_TRUE(gui.get_size(p, &width, &height));
    EXPECT_EQ(std::pair(width, height), std::pair(1200u, 800u)) << "stored before resizing";

    EXPECT_TRUE(gui.hide(p));
    EXPECT_TRUE(gui.show(p));
    EXPECT_EQ(view.hidden, (std::vector<bool>{true, false}));
}

TEST_F(EditorHost, ASecondSetParentReplacesTheWebView) {
    open();
    ASSERT_TRUE(gui.set_parent(p, &WINDOW));
    ASSERT_EQ(recorder.views.size(), 2u);
    const auto first = recorder.views[0];
    const auto second = recorder.views[1];
    EXPECT_TRUE(first->destroyed);
    EXPECT_FALSE(second->destroyed);

    post(first, invoke("set_patch", {{"patch", CONSTANT_PATCH}}));
    EXPECT_TRUE(first->scripts.empty());
    EXPECT_TRUE(second->scripts.empty());
    EXPECT_EQ(inner().shared->core->patch_json(), std::nullopt)
        << "a released web view's message does nothing";

    post(second, invoke("plugin_init"));
    EXPECT_EQ(second->scripts.size(), 1u);
}

TEST_F(EditorHost, AWebViewThatCannotBeMadeLeavesTheOldOne) {
    open();
    const auto old_view = recorder.current();
    const long uses = core_uses();
    const struct {
        Recorder::Mode mode;
        LogLine line;
    } cases[] = {
        {Recorder::Mode::Fail, {CLAP_LOG_ERROR, "Couldn't create the editor's web view"}},
        {Recorder::Mode::Throw, {CLAP_LOG_PLUGIN_MISBEHAVING, "Plugin panicked"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.message);
        host.lines.clear();
        recorder.mode = c.mode;
        EXPECT_FALSE(gui.set_parent(p, &WINDOW));
        EXPECT_EQ(host.lines, std::vector<LogLine>{c.line});
        EXPECT_EQ(recorder.current(), old_view);
        EXPECT_EQ(core_uses(), uses);
        const std::size_t scripts = old_view->scripts.size();
        post(old_view, invoke("plugin_init"));
        EXPECT_EQ(old_view->scripts.size(), scripts + 1) << "the old web view still talks";
    }
}

TEST_F(EditorHost, ZoomIsAppliedBeforeTheReply) {
    open();
    ViewRecord& view = *recorder.current();
    std::vector<std::size_t> zooms_at_script;
    view.on_script = [&](std::string_view) { zooms_at_script.push_back(view.zooms.size()); };
    post(invoke("zoom", {{"scale", 2}}));
    EXPECT_EQ(view.zooms, std::vector<double>{2.0});
    EXPECT_EQ(zooms_at_script, std::vector<std::size_t>{1});
    EXPECT_EQ(view.scripts, std::vector<std::string>{
                                reply_script(R"({"id":1,"ok":true,"type":"reply","value":null})")});
}

TEST_F(EditorHost, AfterAStateLoadThePageHearsOfItFirst) {
    open();
    ViewRecord& view = *recorder.current();
    post(invoke("plugin_init"));
    ByteSource state(state_of(CONSTANT_PATCH));
    ASSERT_TRUE(vantrel_ondrix_plugin::STATE.load(p, state.raw()));
    view.scripts.clear();
    post(invoke("live_values", nlohmann::json::object(), 2));
    ASSERT_EQ(view.scripts.size(), 2u);
    EXPECT_EQ(view.scripts[0], reply_script(R"({"type":"loaded"})"));
    EXPECT_NE(view.scripts[1].find(R"("id":2,"ok":true,"type":"reply")"), std::string::npos);
}

TEST_F(EditorHost, EveryReleaseLetsGoOfTheWebViewThePageAndTheCore) {
    const long baseline = core_uses();
    const struct {
        const char* name;
        void (*release)(const clap_plugin_t*);
    } cases[] = {
        {"gui destroy", [](const clap_plugin_t* plugin) { gui.destroy(plugin); }},
        {"create again",
         [](const clap_plugin_t* plugin) { gui.create(plugin, CLAP_WINDOW_API_X11, false); }},
        {"set_parent again", [](const clap_plugin_t* plugin) { gui.set_parent(plugin, &WINDOW); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        const auto view = recorder.current();
        const std::weak_ptr<editor::Page> page = inner().main_thread->editor().page();
        EXPECT_EQ(core_uses(), baseline + 1) << "the handler's reference";
        c.release(p);
        EXPECT_TRUE(view->destroyed);
        EXPECT_EQ(core_uses(), baseline + (recorder.current() ? 1 : 0));
        if (page.lock() != inner().main_thread->editor().page()) {
            EXPECT_TRUE(page.expired()) << "a released page is gone";
        }
        post(view, invoke("plugin_init"));
        EXPECT_TRUE(view->scripts.empty());
        gui.destroy(p);
        EXPECT_EQ(core_uses(), baseline);
    }
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(EditorHost, DestroyingThePluginWithTheEditorOpenReleasesEverything) {
    open();
    const auto view = recorder.current();
    const std::weak_ptr<ondrix_plugin_core::Core> core = inner().shared->core;
    const std::weak_ptr<editor::Page> page = inner().main_thread->editor().page();
    p->destroy(p);
    p = nullptr;
    EXPECT_TRUE(view->destroyed);
    EXPECT_TRUE(page.expired());
    EXPECT_TRUE(core.expired());
    post(view, invoke("plugin_init"));
    EXPECT_TRUE(view->scripts.empty());
}

TEST_F(EditorHost, AReplyScriptMayPostAgainOrDestroyTheEditor) {
    open();
    ViewRecord& view = *recorder.current();
    view.on_script = [&](std::string_view) {
        view.on_script = nullptr;
        post(invoke("plugin_init", nlohmann::json::object(), 2));
    };
    post(invoke("zoom", {{"scale", 1.5}}));
    EXPECT_EQ(view.scripts.size(), 2u);
    EXPECT_EQ(view.scripts_finished, 2u);

    // The handler keeps the page, and the call keeps the web view, until the call returns; the
    // reply that was still to come finds no web view.
    const long baseline = core_uses() - 1;
    ByteSource state(state_of(CONSTANT_PATCH));
    ASSERT_TRUE(vantrel_ondrix_plugin::STATE.load(p, state.raw()));
    view.on_script = [this](std::string_view) { gui.destroy(p); };
    post(invoke("live_values"));
    EXPECT_TRUE(view.destroyed);
    EXPECT_EQ(view.scripts.size(), 3u) << "the loaded message only";
    EXPECT_EQ(view.scripts_finished, 3u);
    EXPECT_EQ(core_uses(), baseline);
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(EditorHost, OnlyPatchEditsMarkTheProjectUnsaved) {
    const auto home = std::filesystem::temp_directory_path() /
                      ("ondrix-editor-host-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    const char* saved_home = std::getenv("HOME");
    const std::string restore = saved_home ? saved_home : "";
    ::setenv("HOME", home.c_str(), 1);

    ASSERT_TRUE(inner().shared->core->load_state(state_of(CONSTANT_PATCH)));
    open();
    const std::string edited = R"({"sources":[],"outputs":[{"cc":21}]})";
    const struct {
        const char* name;
        std::string message;
        int marks;
    } steps[] = {
        {"start-up set_patch of the held patch, spaced and reordered",
         invoke("set_patch", {{"patch", R"({ "outputs": [{"bipolar":false,"offset":0.5,"cc":20}],
                                            "sources": [] })"}}),
         0},
        {"an edit", invoke("set_patch", {{"patch", edited}}), 1},
        {"the same patch again", invoke("set_patch", {{"patch", edited}}), 1},
        {"a refused patch", invoke("set_patch", {{"patch", R"({"sources":"x"})"}}), 1},
        {"not JSON", invoke("set_patch", {{"patch", "{"}}), 1},
        {"other commands", invoke("live_values"), 1},
        {"a preset written", invoke("preset_write", {{"name", "Held"}, {"patch", CONSTANT_PATCH}}),
         1},
        {"a preset read", invoke("preset_read", {{"name", "Held"}}), 1},
        {"the preset loaded into the page", invoke("set_patch", {{"patch", CONSTANT_PATCH}}), 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        post(step.message);
        EXPECT_EQ(host.dirty_marks, step.marks);
    }
    EXPECT_TRUE(host.lines.empty());

    ::setenv("HOME", restore.c_str(), 1);
    std::filesystem::remove_all(home);
}

TEST_F(EditorHost, AHostWithoutStateIsNotTold) {
    TestHost stateless;
    stateless.offers_state = false;
    const clap_plugin_t* plugin = PluginInstance::create(stateless.raw(), descriptor.raw());
    ASSERT_TRUE(plugin->init(plugin));
    ASSERT_TRUE(gui.create(plugin, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui.set_parent(plugin, &WINDOW));
    post(invoke("set_patch", {{"patch", CONSTANT_PATCH}}));
    EXPECT_EQ(recorder.current()->scripts.size(), 1u);
    EXPECT_EQ(stateless.dirty_marks, 0);
    plugin->destroy(plugin);
}

// Gui calls while the constructor runs, and after it failed, are refused like any other.
const clap_plugin_t* constructing = nullptr;
std::vector<bool> during_init;

OndrixPlugin::Parts gui_calling_constructor(const clap_host_t* host) {
    during_init = {gui.create(constructing, CLAP_WINDOW_API_X11, false),
                   gui.set_parent(constructing, &WINDOW), gui.show(constructing)};
    return OndrixPlugin::construct(host);
}

OndrixPlugin::Parts failing_constructor(const clap_host_t*) {
    throw std::runtime_error("no core");
}

TEST(EditorHostStates, GuiCallsDuringAndAfterAFailedInitAreRefused) {
    const struct {
        PluginBoxInner::Initializer initializer;
        bool init;
        const char* text;
    } cases[] = {
        {&gui_calling_constructor, true,
         "Host tried to call plugin function during initialization"},
        {&failing_constructor, false, "Plugin initialization has already failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Recorder recorder;
        PluginDescriptor descriptor;
        TestHost host;
        const clap_plugin_t* p = PluginInstance::create(host.raw(), descriptor.raw());
        static_cast<PluginBoxInner*>(p->plugin_data)->initializer = c.initializer;
        constructing = p;
        during_init.clear();
        EXPECT_EQ(p->init(p), c.init);
        if (c.init) {
            EXPECT_EQ(during_init, std::vector<bool>(3, false));
        } else {
            host.lines.clear();
            EXPECT_FALSE(gui.create(p, CLAP_WINDOW_API_X11, false));
            EXPECT_FALSE(gui.set_parent(p, &WINDOW));
            EXPECT_FALSE(gui.show(p));
        }
        EXPECT_EQ(host.lines, std::vector<LogLine>(3, {CLAP_LOG_HOST_MISBEHAVING, c.text}));
        EXPECT_TRUE(recorder.views.empty());
        p->destroy(p);
    }
}

}  // namespace
}  // namespace ondrix_plugin_testing
