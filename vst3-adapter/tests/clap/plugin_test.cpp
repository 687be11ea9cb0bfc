#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clap/library.hpp"
#include "clap/plugin.hpp"
#include "fake_clap.hpp"
#include "ondrix_entry.hpp"
#include "recording_owner.hpp"

namespace clap_host_testing {
namespace {

using Clap::Plugin;
using Ids = std::vector<std::string>;

// Every extension id the host side asks for, first ids in order, each older id after its first.
const Ids firstIds = {
    "clap.state",
    "clap.params",
    "clap.audio-ports",
    "clap.configurable-audio-ports/1",
    "clap.audio-ports-activation/2",
    "clap.note-ports",
    "clap.latency",
    "clap.render",
    "clap.tail",
    "clap.gui",
    "clap.timer-support",
    "clap.track-info/1",
    "org.ara-audio.ara.pluginextension/2",
    "clap.context-menu/1",
    "clap.gain-adjustment-metering/0",
    "clap.plugin-auv2-param-ordering/0",
    "clap.posix-fd-support",
};
const Ids olderIds = {
    "clap.configurable-audio-ports.draft1",
    "clap.audio-ports-activation/draft-2",
    "clap.context-menu.draft/0",
};

// The 17 extension pointers in declaration order.
std::vector<const void*> pointersOf(const Clap::ClapPluginExtensions& e) {
    return {e.state,
            e.params,
            e.audioPorts,
            e.audioPortsActivation,
            e.configurableAudioPorts,
            e.gui,
            e.notePorts,
            e.latency,
            e.render,
            e.tail,
            e.timerSupport,
            e.trackInfo,
            e.contextMenu,
            e.ara,
            e.gainAdjustmentMetering,
            e.auv2ParamOrdering,
            e.posixFdSupport};
}

// A proxy over a FakeFactory making instances set up from `instance`.
struct Connected {
    explicit Connected(const FakeInstance& instance = {}) {
        const FakeDescriptor descriptor("fake.plugin");
        factory.instance = instance;
        plugin = Plugin::createInstance(factory.raw(), "fake.plugin", &owner);
    }
    FakeInstance& made() { return *factory.made.at(0); }

    FakeFactory factory;
    RecordingOwner owner;
    std::shared_ptr<Plugin> plugin;
};

TEST(PluginConnection, AsksForEachExtensionOnceAndForOlderIdsOnlyWhenTheFirstIsMissing) {
    Connected silent;
    ASSERT_TRUE(silent.plugin);
    Ids expected = firstIds;
    expected.insert(expected.begin() + 4, olderIds[0]);   // after configurable ports
    expected.insert(expected.begin() + 6, olderIds[1]);   // after port activation
    expected.insert(expected.begin() + 16, olderIds[2]);  // after the context menu
    EXPECT_EQ(silent.made().askedIds, expected);
    EXPECT_EQ(pointersOf(silent.plugin->extensions()), std::vector<const void*>(17, nullptr));

    FakeInstance everything;
    everything.answers = {firstIds.begin(), firstIds.end()};
    Connected full(everything);
    ASSERT_TRUE(full.plugin);
    EXPECT_EQ(full.made().askedIds, firstIds);
    const std::vector<const void*> pointers = pointersOf(full.plugin->extensions());
    // Declaration order differs from the order of asking in three places.
    const Ids declarationOrder = {firstIds[0],  firstIds[1],  firstIds[2],  firstIds[4],
                                  firstIds[3],  firstIds[9],  firstIds[5],  firstIds[6],
                                  firstIds[7],  firstIds[8],  firstIds[10], firstIds[11],
                                  firstIds[13], firstIds[12], firstIds[14], firstIds[15],
                                  firstIds[16]};
    for (std::size_t i = 0; i < declarationOrder.size(); ++i) {
        EXPECT_EQ(pointers[i], full.made().table(declarationOrder[i])) << declarationOrder[i];
    }
}

TEST(PluginConnection, TakesTablesFromOlderIds) {
    FakeInstance drafts;
    drafts.answers = {olderIds.begin(), olderIds.end()};
    Connected connected(drafts);
    ASSERT_TRUE(connected.plugin);
    const Clap::ClapPluginExtensions& e = connected.plugin->extensions();
    EXPECT_EQ(e.configurableAudioPorts, connected.made().table(olderIds[0]));
    EXPECT_EQ(e.audioPortsActivation, connected.made().table(olderIds[1]));
    EXPECT_EQ(e.contextMenu, connected.made().table(olderIds[2]));
}

// On Linux the editor embeds in the host's X11 window; a gui made only for an NSView is none.
TEST(PluginConnection, KeepsTheGuiOnlyWhenItEmbedsInAnX11Window) {
    for (const char* api : {"x11", "cocoa"}) {
        SCOPED_TRACE(api);
        FakeInstance withGui;
        withGui.answers = {"clap.gui"};
        withGui.windowApi = api;
        Connected connected(withGui);
        ASSERT_TRUE(connected.plugin);
        EXPECT_EQ(connected.plugin->extensions().gui,
                  std::string(api) == "x11" ? &connected.made().gui : nullptr);
    }
}

TEST(PluginConnection, AFailedInitLeavesNoProxyAndBuildsNothing) {
    FakeInstance refusing;
    refusing.initAnswer = false;
    refusing.answers = {"clap.audio-ports", "clap.note-ports"};
    Connected connected(refusing);
    EXPECT_FALSE(connected.plugin);
    EXPECT_EQ(connected.made().inits, 1);
    EXPECT_EQ(connected.made().destroys, 1);
    EXPECT_TRUE(connected.made().askedIds.empty());
    EXPECT_EQ(connected.owner.calls, Ids{"host_get_name"});
}

TEST(PluginConnection, NoInstanceMeansNoProxy) {
    FakeFactory factory;
    factory.createsNothing = true;
    RecordingOwner owner;
    EXPECT_FALSE(Plugin::createInstance(factory.raw(), "fake.plugin", &owner));
    EXPECT_EQ(factory.createdIds, Ids{"fake.plugin"});
    EXPECT_FALSE(Plugin::createInstance(nullptr, "fake.plugin", &owner));

    // A library's list position beyond its descriptors asks the factory nothing.
    Clap::Library library;
    library.useStaticEntry(&vantrel_ondrix_plugin_entry, nullptr);
    EXPECT_FALSE(Plugin::createInstance(library, 1, &owner));
    Clap::Library empty;
    EXPECT_FALSE(Plugin::createInstance(empty, 0, &owner));
}

TEST(PluginConnection, OurPluginOffersItsPortsStateAndEditorAndBuildsBusesOnly) {
    Clap::Library library;
    library.useStaticEntry(&vantrel_ondrix_plugin_entry, nullptr);
    RecordingOwner owner;
    std::shared_ptr<Plugin> plugin = Plugin::createInstance(library, 0, &owner);
    ASSERT_TRUE(plugin);
    const clap_plugin_t* instance = plugin->instance();
    ASSERT_NE(instance, nullptr);

    // The editor counts only where it can embed in an X11 window.
    const auto* gui =
        static_cast<const clap_plugin_gui_t*>(instance->get_extension(instance, "clap.gui"));
    const bool editor = gui != nullptr && gui->is_api_supported(instance, "x11", false);
    const Clap::ClapPluginExtensions& e = plugin->extensions();
    std::vector<const void*> expected(17, nullptr);
    expected[0] = instance->get_extension(instance, "clap.state");
    expected[2] = instance->get_extension(instance, "clap.audio-ports");
    expected[5] = editor ? gui : nullptr;
    expected[6] = instance->get_extension(instance, "clap.note-ports");
    // The editor's ways of being served on the main thread, where it has them.
    expected[10] = instance->get_extension(instance, "clap.timer-support");
    expected[16] = instance->get_extension(instance, "clap.posix-fd-support");
    EXPECT_NE(e.state, nullptr);
    EXPECT_NE(e.audioPorts, nullptr);
    EXPECT_NE(e.notePorts, nullptr);
    EXPECT_EQ(pointersOf(e), expected);

    owner.calls.clear();
    EXPECT_TRUE(plugin->initialize());
    EXPECT_EQ(owner.calls, (Ids{"setupWrapperSpecifics", "setupAudioBusses", "setupMIDIBusses"}));

    plugin->terminate();
    EXPECT_EQ(plugin->instance(), nullptr);
    owner.calls.clear();
    EXPECT_FALSE(plugin->initialize()) << "nothing left to build from";
    EXPECT_TRUE(owner.calls.empty());
}

TEST(PluginLifecycle, DrivesTheInstanceWithTheStoredSetup) {
    FakeInstance full;
    full.answers = {"clap.state", "clap.audio-ports-activation/2"};
    Connected connected(full);
    ASSERT_TRUE(connected.plugin);
    Plugin& plugin = *connected.plugin;
    plugin.setBusActivation(false, 2, true);
    plugin.setSampleRate(48000);
    plugin.setBlockSizes(64, 512);
    EXPECT_TRUE(plugin.activate());
    EXPECT_TRUE(plugin.start_processing());
    plugin.stop_processing();
    plugin.reset();
    plugin.deactivate();
    EXPECT_TRUE(plugin.save(nullptr));
    EXPECT_TRUE(plugin.load(nullptr));
    EXPECT_EQ(connected.made().calls,
              (Ids{"set_active out 2 on 32", "activate 48000 64 512", "start_processing audio",
                   "stop_processing audio", "reset audio", "deactivate", "save", "load"}));

    Connected bare;
    ASSERT_TRUE(bare.plugin);
    EXPECT_EQ(bare.plugin->audioSetup().sampleRate, 44100.0);
    EXPECT_FALSE(bare.plugin->save(nullptr)) << "no state extension";
    EXPECT_FALSE(bare.plugin->load(nullptr));
    bare.plugin->setBusActivation(true, 0, false);
    EXPECT_TRUE(bare.made().calls.empty());

    plugin.terminate();
    EXPECT_EQ(connected.made().destroys, 1);
    connected.plugin.reset();
    EXPECT_EQ(connected.made().destroys, 1) << "destroyed once";
    bare.plugin.reset();
    EXPECT_EQ(bare.made().destroys, 1) << "the proxy destroys what is left";
}

}  // namespace
}  // namespace clap_host_testing
