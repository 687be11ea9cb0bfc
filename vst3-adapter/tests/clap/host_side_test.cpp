#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "clap/host_extensions.hpp"
#include "clap/plugin.hpp"
#include "fake_clap.hpp"
#include "recording_owner.hpp"

namespace clap_host_testing {
namespace {

using Clap::Plugin;
using Ids = std::vector<std::string>;

// A proxy over a fake instance, and the host record the instance was given.
struct Proxy {
    Proxy() {
        const FakeDescriptor descriptor("fake.plugin");
        plugin = Plugin::createInstance(factory.raw(), "fake.plugin", &owner);
        if (plugin) host = plugin->getClapHostInterface();
    }
    template <class Table>
    const Table* extension(const char* id) const {
        return static_cast<const Table*>(host->get_extension(host, id));
    }

    FakeFactory factory;
    RecordingOwner owner;
    std::shared_ptr<Plugin> plugin;
    const clap_host_t* host = nullptr;
};

TEST(HostRecord, NamesTheHostAndLeadsBackToTheProxy) {
    Proxy proxy;
    ASSERT_NE(proxy.host, nullptr);
    const clap_host_t& host = *proxy.host;
    EXPECT_EQ(proxy.factory.made.at(0)->host, &host) << "the instance got this record";
    EXPECT_EQ(host.clap_version.major, 1u);
    EXPECT_EQ(host.clap_version.minor, 2u);
    EXPECT_EQ(host.clap_version.revision, 6u);
    EXPECT_EQ(host.host_data, proxy.plugin.get());
    EXPECT_EQ(host.name, proxy.owner.name.c_str()) << "the owner's text, asked once";
    EXPECT_STREQ(host.vendor, "Orbwright Audio");
    EXPECT_STREQ(host.url, "");
    EXPECT_STREQ(host.version, "0.16.0");
    EXPECT_EQ(proxy.owner.calls, Ids{"host_get_name"});

    // Without an owner the name is empty.
    FakeFactory factory;
    const auto ownerless = Plugin::createInstance(factory.raw(), "x", nullptr);
    ASSERT_TRUE(ownerless);
    EXPECT_STREQ(ownerless->getClapHostInterface()->name, "");
}

TEST(HostRecord, OffersItsElevenExtensionsAndNothingElse) {
    Proxy proxy;
    ASSERT_NE(proxy.host, nullptr);
    const std::vector<std::pair<const char*, const void*>> offered = {
        {"clap.log", &Clap::HostExt::log},
        {"clap.params", &Clap::HostExt::params},
        {"clap.track-info/1", &Clap::HostExt::trackinfo},
        {"clap.thread-check", &Clap::HostExt::threadcheck},
        {"clap.gui", &Clap::HostExt::hostgui},
        {"clap.timer-support", &Clap::HostExt::hosttimer},
        {"clap.latency", &Clap::HostExt::latency},
        {"clap.tail", &Clap::HostExt::tail},
        {"clap.state", &Clap::HostExt::state},
        {"clap.context-menu/1", &Clap::HostExt::context_menu},
        {"clap.posix-fd-support", &Clap::HostExt::posixfd},
        {"clap.audio-ports", nullptr},
        {"clap.note-ports", nullptr},
        {"clap.context-menu.draft/0", nullptr},
        {"clap.thread-check ", nullptr},
        {"", nullptr},
    };
    for (const auto& [id, table] : offered) {
        SCOPED_TRACE(id);
        EXPECT_EQ(proxy.host->get_extension(proxy.host, id), table);
    }
    EXPECT_EQ(proxy.host->get_extension(proxy.host, nullptr), nullptr);
    EXPECT_EQ(Plugin::clapExtension(nullptr, "clap.log"), nullptr);
    clap_host_t orphan = *proxy.host;
    orphan.host_data = nullptr;
    EXPECT_EQ(orphan.get_extension(&orphan, "clap.log"), nullptr);
}

TEST(HostRecord, CallbacksReachTheOwner) {
    struct Case {
        const char* what;
        std::function<std::optional<bool>(const clap_host_t*)> call;
        Ids ownerCalls;
        std::optional<bool> result;  // nullopt for callbacks without one
        bool contextMenu = false;
    };
    using namespace Clap::HostExt;
    clap_track_info_t info{};
    clap_id timer = 0;
    const clap_context_menu_target_t target{CLAP_CONTEXT_MENU_TARGET_KIND_PARAM, 7};
    const clap_context_menu_builder_t builder{};
    auto none = [](auto&& f) {
        return [f](const clap_host_t* h) -> std::optional<bool> {
            f(h);
            return std::nullopt;
        };
    };
    const std::vector<Case> cases = {
        {"request_restart", none([](auto h) { h->request_restart(h); }), {"restartPlugin"}, {}},
        {"request_process", none([](auto h) { h->request_process(h); }), {}, {}},
        {"request_callback",
         none([](auto h) { h->request_callback(h); }),
         {"request_callback"},
         {}},
        {"params rescan", none([](auto h) { params.rescan(h, 5); }), {"param_rescan 5"}, {}},
        {"params clear", none([](auto h) { params.clear(h, 3, CLAP_PARAM_CLEAR_ALL); }), {}, {}},
        {"params request_flush",
         none([](auto h) { params.request_flush(h); }),
         {"param_request_flush"},
         {}},
        {"track info get",
         [&](auto h) { return trackinfo.get(h, &info); },
         {"track_info_get"},
         true},
        {"gui resize_hints_changed", none([](auto h) { hostgui.resize_hints_changed(h); }), {}, {}},
        {"gui request_resize",
         [](auto h) { return hostgui.request_resize(h, 800, 600); },
         {"gui_request_resize 800 600"},
         true},
        {"gui request_show",
         [](auto h) { return hostgui.request_show(h); },
         {"gui_request_show"},
         true},
        {"gui request_hide", [](auto h) { return hostgui.request_hide(h); }, {}, false},
        {"gui closed", none([](auto h) { hostgui.closed(h, true); }), {}, {}},
        {"timer register",
         [&](auto h) { return hosttimer.register_timer(h, 20, &timer); },
         {"register_timer 20"},
         true},
        {"timer unregister",
         [](auto h) { return hosttimer.unregister_timer(h, 1001); },
         {"unregister_timer 1001"},
         true},
        {"fd register",
         [](auto h) { return posixfd.register_fd(h, 7, CLAP_POSIX_FD_READ); },
         {"register_fd 7 1"},
         true},
        {"fd modify",
         [](auto h) { return posixfd.modify_fd(h, 7, CLAP_POSIX_FD_WRITE); },
         {"modify_fd 7 2"},
         true},
        {"fd unregister",
         [](auto h) { return posixfd.unregister_fd(h, 7); },
         {"unregister_fd 7"},
         true},
        {"latency changed", none([](auto h) { latency.changed(h); }), {"latency_changed"}, {}},
        {"tail changed", none([](auto h) { tail.changed(h); }), {"tail_changed"}, {}},
        {"state mark_dirty", none([](auto h) { state.mark_dirty(h); }), {"mark_dirty"}, {}},
        {"menu populate without a host menu",
         [&](auto h) { return context_menu.populate(h, &target, &builder); },
         {},
         true},
        {"menu populate",
         [&](auto h) { return context_menu.populate(h, &target, &builder); },
         {"context_menu_populate"},
         true,
         true},
        {"menu perform",
         [&](auto h) { return context_menu.perform(h, &target, 4); },
         {"context_menu_perform 4"},
         true},
        {"menu can_popup without a host menu",
         [](auto h) { return context_menu.can_popup(h); },
         {},
         false},
        {"menu can_popup", [](auto h) { return context_menu.can_popup(h); }, {}, true, true},
        {"menu popup",
         [&](auto h) { return context_menu.popup(h, &target, 1, 10, 20); },
         {"context_menu_popup 1 10 20"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Proxy proxy;
        ASSERT_NE(proxy.host, nullptr);
        proxy.owner.contextMenu = c.contextMenu;
        proxy.owner.calls.clear();
        EXPECT_EQ(c.call(proxy.host), c.result);
        EXPECT_EQ(proxy.owner.calls, c.ownerCalls);

        // A record that leads to no proxy reaches nobody and answers false.
        clap_host_t orphan = *proxy.host;
        orphan.host_data = nullptr;
        const std::optional<bool> orphanResult = c.call(&orphan);
        EXPECT_TRUE(!orphanResult || !*orphanResult);
        EXPECT_EQ(proxy.owner.calls, c.ownerCalls);
    }
}

TEST(HostRecord, ThreadCheckFollowsTheMakingThreadAndTheMarkers) {
    Proxy proxy;
    ASSERT_NE(proxy.host, nullptr);
    const clap_host_t* host = proxy.host;
    enum class Marker { None, Main, Audio };
    struct Case {
        bool makingThread;
        Marker marker;
        bool main;
        bool audio;
    };
    const std::vector<Case> cases = {
        {true, Marker::None, true, false}, {true, Marker::Main, true, false},
        {true, Marker::Audio, true, true}, {false, Marker::None, false, true},
        {false, Marker::Main, true, true}, {false, Marker::Audio, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.makingThread ? "making thread" : "other thread")
                                        << ", marker " << static_cast<int>(c.marker));
        std::pair<bool, bool> seen;
        auto look = [&] {
            seen = {Clap::HostExt::threadcheck.is_main_thread(host),
                    Clap::HostExt::threadcheck.is_audio_thread(host)};
        };
        auto check = [&] {
            if (c.marker == Marker::Main) {
                const Clap::Raise mark = Plugin::AlwaysMainThread();
                look();
            } else if (c.marker == Marker::Audio) {
                const Clap::Raise mark = Plugin::AlwaysAudioThread();
                look();
            } else {
                look();
            }
        };
        if (c.makingThread) {
            check();
        } else {
            std::thread(check).join();
        }
        EXPECT_EQ(seen, std::make_pair(c.main, c.audio));
    }
    // The markers end with their scope.
    EXPECT_FALSE(Clap::HostExt::threadcheck.is_audio_thread(host));
}

TEST(HostRecord, LogLinesArePrefixedBySeverity) {
    struct Case {
        int severity;
        const char* message;
        const char* output;
    };
    const std::vector<Case> cases = {
        {0, "m", "PLUGIN: DEBUG: m\n"},
        {1, "m", "PLUGIN: INFO: m\n"},
        {2, "m", "PLUGIN: WARNING: m\n"},
        {3, "m", "PLUGIN: ERROR: m\n"},
        {4, "m", "PLUGIN: FATAL: m\n"},
        {5, "m", "m\nPLUGIN: HOST MISBEHAVING: m\n"},
        {6, "m", "PLUGIN: MISBEHAVING: m\n"},
        {9, "m", "m\n"},
        {-1, "m", "m\n"},
        {3, nullptr, "PLUGIN: ERROR: \n"},
        {5, nullptr, "PLUGIN: HOST MISBEHAVING: \n"},
    };
    Proxy proxy;
    ASSERT_NE(proxy.host, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.severity);
        testing::internal::CaptureStderr();
        Clap::HostExt::log.log(proxy.host, c.severity, c.message);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.output);
    }
}

}  // namespace
}  // namespace clap_host_testing
