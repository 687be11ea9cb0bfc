#include "clap_as_vst3.hpp"

#include "clap/library.hpp"
#include "clap/plugin.hpp"
#include "recording_owner.hpp"
#include "sdk/string_convert.hpp"

#include "pluginterfaces/base/ustring.h"

#include <fmt/format.h>

#include <clap/ara.h>
#include <clap/ext/gain-adjustment-metering.h>
#include <clap/ext/thread-check.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
// Our plug-in's entry record, linked into this program.
extern const clap_plugin_entry_t vantrel_ondrix_plugin_entry;
}

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using Texts = std::vector<std::string>;

// A CLAP plug-in with a MIDI input, one parameter, the VST3 specifics and whichever optional
// extensions a test switches on, recording what the adapter asks of them. Thread: the test's.
// Owner: the test.
struct FakePlugin {
    bool midiDialect = true;
    bool withContextMenu = true;
    bool withTrackInfo = true;
    bool withAra = true;
    bool withMetering = true;
    uint32_t midiChannels = 4;
    uint32_t noteExpressions = 0x3F;
    double gainReduction = -4.5;
    std::vector<std::string> calls;
    // What the plug-in read back through the host's track-info when told of a change.
    std::vector<clap_track_info_t> tracks;

    // The parameter: id 5, 0 to 10 in dB; a value above 9 has no text.
    static constexpr clap_id gainId = 5;

    struct Factory {
        clap_plugin_factory_t table;
        FakePlugin* fake;
    } factory{};
    const clap_host_t* host = nullptr;
    clap_plugin_descriptor_t descriptor{};
    clap_plugin_t plugin{};
    clap_plugin_note_ports_t notePorts{};
    clap_plugin_params_t params{};
    clap_plugin_as_vst3_t vst3Specifics{};
    clap_plugin_context_menu_t contextMenu{};
    clap_plugin_track_info_t trackInfo{};
    clap_ara_plugin_extension_t ara{};
    clap_plugin_gain_adjustment_metering_t metering{};

    FakePlugin() {
        descriptor.clap_version = CLAP_VERSION;
        descriptor.id = "fake.plugin";
        descriptor.name = "Fake";
        factory.fake = this;
        factory.table.create_plugin = [](const clap_plugin_factory_t* f, const clap_host_t* h,
                                         const char*) -> const clap_plugin_t* {
            FakePlugin* fake = reinterpret_cast<const Factory*>(f)->fake;
            fake->host = h;
            return &fake->plugin;
        };
        plugin.desc = &descriptor;
        plugin.plugin_data = this;
        plugin.init = [](const clap_plugin_t*) { return true; };
        plugin.destroy = [](const clap_plugin_t*) {};
        plugin.get_extension = [](const clap_plugin_t* p, const char* id) -> const void* {
            FakePlugin& fake = of(p);
            const std::string ext = id;
            if (ext == CLAP_EXT_NOTE_PORTS) return &fake.notePorts;
            if (ext == CLAP_EXT_PARAMS) return &fake.params;
            if (ext == CLAP_PLUGIN_AS_VST3) return &fake.vst3Specifics;
            if (ext == CLAP_EXT_CONTEXT_MENU && fake.withContextMenu) return &fake.contextMenu;
            if (ext == CLAP_EXT_TRACK_INFO && fake.withTrackInfo) return &fake.trackInfo;
            if (ext == CLAP_EXT_ARA_PLUGINEXTENSION && fake.withAra) return &fake.ara;
            if (ext == CLAP_EXT_GAIN_ADJUSTMENT_METERING && fake.withMetering) {
                return &fake.metering;
            }
            return nullptr;
        };
        notePorts.count = [](const clap_plugin_t*, bool input) { return input ? 1u : 0u; };
        notePorts.get = [](const clap_plugin_t* p, uint32_t, bool, clap_note_port_info_t* info) {
            *info = {};
            info->id = 1;
            std::strcpy(info->name, "in");
            info->supported_dialects =
                of(p).midiDialect ? CLAP_NOTE_DIALECT_MIDI : CLAP_NOTE_DIALECT_CLAP;
            return true;
        };
        params.count = [](const clap_plugin_t*) { return 1u; };
        params.get_info = [](const clap_plugin_t*, uint32_t, clap_param_info_t* info) {
            *info = {};
            info->id = gainId;
            std::strcpy(info->name, "Gain");
            info->max_value = 10;
            return true;
        };
        params.value_to_text = [](const clap_plugin_t* p, clap_id id, double value, char* text,
                                  uint32_t size) {
            of(p).calls.push_back(fmt::format("value_to_text {} {} {} main {}", id, value, size,
                                              of(p).onMainThread()));
            if (value > 9) return false;
            std::snprintf(text, size, "%g dB", value);
            return true;
        };
        params.text_to_value = [](const clap_plugin_t* p, clap_id id, const char* text,
                                  double* value) {
            of(p).calls.push_back(fmt::format("text_to_value {} '{}' main {}", id, text,
                                              of(p).onMainThread()));
            char* end = nullptr;
            *value = std::strtod(text, &end);
            return end != text;
        };
        vst3Specifics.get_num_midi_channels = [](const clap_plugin_t* p, uint32_t) {
            return of(p).midiChannels;
        };
        vst3Specifics.supported_note_expressions = [](const clap_plugin_t* p) {
            return of(p).noteExpressions;
        };
        trackInfo.changed = [](const clap_plugin_t* p) {
            FakePlugin& fake = of(p);
            fake.calls.push_back("track changed");
            const auto* hostTrack = static_cast<const clap_host_track_info_t*>(
                fake.host->get_extension(fake.host, CLAP_EXT_TRACK_INFO));
            clap_track_info_t info{};
            if (hostTrack != nullptr && hostTrack->get(fake.host, &info)) {
                fake.tracks.push_back(info);
            }
        };
        ara.get_factory = [](const clap_plugin_t* p) -> const void* {
            of(p).calls.push_back("ara get_factory");
            return &araFactory;
        };
        ara.bind_to_document_controller = [](const clap_plugin_t* p, void* ref, uint32_t known,
                                             uint32_t assigned) -> const void* {
            of(p).calls.push_back(fmt::format("ara bind {} {} {}", ref == &araDocument, known,
                                              assigned));
            return &araInstance;
        };
        metering.get = [](const clap_plugin_t* p) { return of(p).gainReduction; };
    }
    FakePlugin(const FakePlugin&) = delete;
    FakePlugin& operator=(const FakePlugin&) = delete;

    static FakePlugin& of(const clap_plugin_t* p) {
        return *static_cast<FakePlugin*>(p->plugin_data);
    }
    bool onMainThread() const {
        const auto* check = static_cast<const clap_host_thread_check_t*>(
            host->get_extension(host, CLAP_EXT_THREAD_CHECK));
        return check != nullptr && check->is_main_thread(host);
    }

    // What the ARA table hands out, to be recognised.
    static inline const int araFactory = 0;
    static inline const int araInstance = 0;
    static inline int araDocument = 0;
};

// The host's objects, living on the test's stack: reference counting is only recorded.
template <class Interface>
class HostObject : public Interface {
public:
    tresult PLUGIN_API queryInterface(const TUID, void** object) override {
        *object = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return static_cast<uint32>(++references); }
    uint32 PLUGIN_API release() override { return static_cast<uint32>(--references); }
    int references = 1;
};

// A menu item's target: records the tags it is asked to perform.
class MenuTarget : public HostObject<IContextMenuTarget> {
public:
    tresult PLUGIN_API executeMenuItem(int32 tag) override {
        tags.push_back(tag);
        return answer;
    }
    std::vector<int32> tags;
    tresult answer = kResultOk;
};

// A host's context menu with the items a test gives it; `failing` is an index whose getItem
// fails.
class Menu : public HostObject<IContextMenu> {
public:
    struct Entry {
        std::u16string name;
        int32 tag;
        int32 flags;
    };
    int32 PLUGIN_API getItemCount() override { return static_cast<int32>(entries.size()); }
    tresult PLUGIN_API getItem(int32 index, Item& item, IContextMenuTarget** target) override {
        if (index < 0 || index >= getItemCount() || index == failing) return kResultFalse;
        const Entry& entry = entries[static_cast<std::size_t>(index)];
        item = {};
        entry.name.copy(reinterpret_cast<char16_t*>(item.name), 127);
        item.tag = entry.tag;
        item.flags = entry.flags;
        *target = &this->target;
        return kResultOk;
    }
    tresult PLUGIN_API addItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
    tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
    tresult PLUGIN_API popup(UCoord, UCoord) override { return kResultOk; }

    std::vector<Entry> entries;
    int32 failing = -1;
    MenuTarget target;
};

// The host's component handler with context menus: records what each menu was made for.
class Handler : public HostObject<IComponentHandler3> {
public:
    IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) override {
        made.push_back(id == nullptr ? fmt::format("global, view {}", view != nullptr)
                                     : fmt::format("parameter {}", *id));
        if (!giveMenu) return nullptr;
        menu.addRef();
        return &menu;
    }
    std::vector<std::string> made;
    bool giveMenu = true;
    Menu menu;
};

// The host's attribute list for a channel context: the integers and strings a test puts in.
class Attributes : public HostObject<IAttributeList> {
public:
    tresult PLUGIN_API setInt(AttrID, int64) override { return kResultOk; }
    tresult PLUGIN_API getInt(AttrID id, int64& value) override {
        const auto found = ints.find(id);
        if (found == ints.end()) return kResultFalse;
        value = found->second;
        return kResultOk;
    }
    tresult PLUGIN_API setFloat(AttrID, double) override { return kResultOk; }
    tresult PLUGIN_API getFloat(AttrID, double&) override { return kResultFalse; }
    tresult PLUGIN_API setString(AttrID, const TChar*) override { return kResultOk; }
    // Copies the whole stored text, up to `sizeInBytes`, terminated or not.
    tresult PLUGIN_API getString(AttrID id, TChar* string, uint32 sizeInBytes) override {
        const auto found = strings.find(id);
        if (found == strings.end()) return kResultFalse;
        const std::size_t units = std::min<std::size_t>(found->second.size(), sizeInBytes / 2);
        std::memcpy(string, found->second.data(), units * 2);
        return kResultOk;
    }
    tresult PLUGIN_API setBinary(AttrID, const void*, uint32) override { return kResultOk; }
    tresult PLUGIN_API getBinary(AttrID, const void*&, uint32&) override { return kResultFalse; }

    std::map<std::string, int64> ints;
    std::map<std::string, std::u16string> strings;
};

// ClapAsVst3 over a CLAP instance started as `initialize` starts it.
class Wrapper : public ClapAsVst3 {
public:
    Wrapper() : ClapAsVst3(nullptr, 0, nullptr) {}
    ~Wrapper() override { plugin.reset(); }

    bool start(FakePlugin& fake) {
        plugin = Clap::Plugin::createInstance(&fake.factory.table, "fake.plugin", &owner);
        return plugin && plugin->initialize();
    }
    bool startOurs() {
        library.useStaticEntry(&vantrel_ondrix_plugin_entry, nullptr);
        plugin = Clap::Plugin::createInstance(library, 0, &owner);
        testing::internal::CaptureStderr();
        const bool started = plugin && plugin->initialize();
        testing::internal::GetCapturedStderr();
        return started;
    }
    void setHandler3(IComponentHandler3* handler) { componentHandler3 = handler; }
    std::size_t menuItems() const { return contextMenuItems.size(); }

private:
    // Passes the set-up calls and the track-info question on to the wrapper.
    struct Owner : clap_host_testing::RecordingOwner {
        explicit Owner(Wrapper& w) : wrapper(w) {}
        void setupWrapperSpecifics(const clap_plugin_t* p) override {
            wrapper.setupWrapperSpecifics(p);
        }
        void setupMIDIBusses(const clap_plugin_t* p, const clap_plugin_note_ports_t* e) override {
            wrapper.setupMIDIBusses(p, e);
        }
        void setupParameters(const clap_plugin_t* p, const clap_plugin_params_t* e) override {
            wrapper.setupParameters(p, e);
        }
        bool track_info_get(clap_track_info_t* info) override {
            if (!wrapper.trackInfo) return false;
            *info = *wrapper.trackInfo;
            return true;
        }
        Wrapper& wrapper;
    };
    Owner owner{*this};
    Clap::Library library;
};

IPtr<Wrapper> made() {
    return owned(new Wrapper);
}

std::string text(const String128 string) {
    return StringConvert::convert(string, 128);
}

TEST(ClapAsVst3Interfaces, MidiControllerAssignments) {
    FakePlugin fake;
    const auto w = made();
    ASSERT_TRUE(w->start(fake));
    const ParamID first = ClapAsVst3::firstMidiMappingId;
    const struct {
        int32 bus;
        int16 channel;
        int16 controller;
        tresult result;
        ParamID id;
    } cases[] = {
        {0, 0, 7, kResultOk, first + 7},
        {0, 0, 129, kResultOk, first + 129},
        {0, 1, 0, kResultOk, first + 131},  // after channel 0's 130 and its program change
        {0, 3, 128, kResultOk, first + 3 * 131 + 128},
        {0, 5, 7, kResultFalse, 0},  // a channel the plug-in does not map: never filled
        {0, 15, 7, kResultFalse, 0},
        {1, 0, 7, kResultFalse, 0},
        {0, 16, 7, kResultFalse, 0},
        {0, -1, 7, kResultFalse, 0},
        {0, 0, 130, kResultFalse, 0},
        {0, 0, -1, kResultFalse, 0},
        {0, 0, -32768, kResultFalse, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("bus {} channel {} controller {}", c.bus, c.channel,
                                 c.controller));
        ParamID id = 0;
        EXPECT_EQ(w->getMidiControllerAssignment(c.bus, c.channel, c.controller, id), c.result);
        EXPECT_EQ(id, c.id);
    }
}

TEST(ClapAsVst3Interfaces, OurPluginMapsNoController) {
    const auto w = made();
    ASSERT_TRUE(w->startOurs());
    for (int16 channel = -1; channel <= 16; ++channel) {
        for (int16 controller = -1; controller <= 130; ++controller) {
            ParamID id = 0;
            ASSERT_EQ(w->getMidiControllerAssignment(0, channel, controller, id), kResultFalse)
                << channel << " " << controller;
        }
    }
}

TEST(ClapAsVst3Interfaces, NoteExpressionInfo) {
    const auto ours = made();
    ASSERT_TRUE(ours->startOurs());
    EXPECT_EQ(ours->getNoteExpressionCount(0, 0), 0);
    NoteExpressionTypeInfo info{};
    EXPECT_EQ(ours->getNoteExpressionInfo(0, 0, 0, info), kResultFalse);

    FakePlugin fake;
    const auto w = made();
    ASSERT_TRUE(w->start(fake));
    EXPECT_EQ(w->getNoteExpressionCount(0, 0), 6);
    EXPECT_EQ(w->getNoteExpressionCount(0, 1), 0);
    EXPECT_EQ(w->getNoteExpressionCount(1, 0), 0);
    Texts titles;
    for (int32 i = 0; i < 6; ++i) {
        ASSERT_EQ(w->getNoteExpressionInfo(0, 0, i, info), kResultOk);
        titles.push_back(fmt::format("{} {} {}", info.typeId, text(info.title),
                                     text(info.shortTitle)));
    }
    EXPECT_EQ(titles, (Texts{"0 Volume Vol", "1 Panorama Pan", "2 Tuning Tun", "3 Vibrato Vibr",
                             "4 Expression Expr", "5 Brightness Brit"}));
    EXPECT_EQ(w->getNoteExpressionInfo(0, 0, 6, info), kResultFalse);
    EXPECT_EQ(w->getNoteExpressionInfo(0, 0, -1, info), kResultFalse);
    EXPECT_EQ(w->getNoteExpressionInfo(0, 1, 0, info), kResultFalse);

    // Value texts come from the type whatever the bus and channel.
    String128 string{};
    EXPECT_EQ(w->getNoteExpressionStringByValue(3, 9, kTuningTypeID, 0.25, string), kResultOk);
    NoteExpressionValue value = 0;
    EXPECT_EQ(w->getNoteExpressionValueByString(3, 9, kTuningTypeID, string, value), kResultOk);
    EXPECT_DOUBLE_EQ(value, 0.25);
    EXPECT_EQ(w->getNoteExpressionStringByValue(0, 0, 77, 0.25, string), kResultFalse);
}

TEST(ClapAsVst3Interfaces, UnitsOfTheMidiInputsChannels) {
    FakePlugin fake;
    const auto w = made();
    ASSERT_TRUE(w->start(fake));
    UnitID unit = -7;
    for (int32 channel = 0; channel < 4; ++channel) {
        ASSERT_EQ(w->getUnitByBus(kEvent, kInput, 0, channel, unit), kResultOk);
        UnitInfo info{};
        ASSERT_EQ(w->getUnitInfo(unit, info), kResultOk);
        EXPECT_EQ(text(info.name), fmt::format("MIDI Channel {}", channel + 1));
    }
    unit = -7;
    const struct {
        MediaType type;
        BusDirection dir;
        int32 bus, channel;
    } refused[] = {
        {kEvent, kInput, 0, 4}, {kEvent, kInput, 0, -1}, {kEvent, kInput, 1, 0},
        {kEvent, kOutput, 0, 0}, {kAudio, kInput, 0, 0},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(w->getUnitByBus(c.type, c.dir, c.bus, c.channel, unit), kResultFalse);
    }
    EXPECT_EQ(unit, -7);

    EXPECT_EQ(w->getSelectedUnit(), kRootUnitId);
    EXPECT_EQ(w->selectUnit(2), kResultOk);
    EXPECT_EQ(w->getSelectedUnit(), 2);
}

TEST(ClapAsVst3Interfaces, ParameterTexts) {
    FakePlugin fake;
    const auto w = made();
    ASSERT_TRUE(w->start(fake));
    const ParamID first = ClapAsVst3::firstMidiMappingId;
    const ParamID programChange = first + 130;
    const ParamID pitchBend = first + 129;
    const struct {
        ParamID id;
        ParamValue normalized;
        tresult result;
        const char* text;
    } cases[] = {
        {programChange, 3.0 / 127, kResultOk, "Program 3.000000"},
        {first + 7, 1, kResultOk, "127.000000"},
        {pitchBend, 0.5, kResultOk, "8192.000000"},
        {FakePlugin::gainId, 0.25, kResultOk, "2.5 dB"},
        // No text from the plug-in: the parameter's own, its normalized value.
        {FakePlugin::gainId, 0.95, kResultOk, "0.9500"},
        {12345, 0.5, kResultFalse, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fmt::format("{} at {}", c.id, c.normalized));
        String128 string{};
        EXPECT_EQ(w->getParamStringByValue(c.id, c.normalized, string), c.result);
        EXPECT_EQ(text(string), c.text);
    }
    EXPECT_EQ(fake.calls, (Texts{"value_to_text 5 2.5 127 main true",
                                 "value_to_text 5 9.5 127 main true"}));

    fake.calls.clear();
    ParamValue normalized = -1;
    String128 string{};
    UString(string, 128).fromAscii("7.5 dB");
    EXPECT_EQ(w->getParamValueByString(FakePlugin::gainId, string, normalized), kResultOk);
    EXPECT_DOUBLE_EQ(normalized, 0.75);
    // Round trip: the plug-in's text of a value reads back as that value.
    ASSERT_EQ(w->getParamStringByValue(FakePlugin::gainId, 0.3, string), kResultOk);
    EXPECT_EQ(w->getParamValueByString(FakePlugin::gainId, string, normalized), kResultOk);
    EXPECT_DOUBLE_EQ(normalized, 0.3);

    normalized = -1;
    UString(string, 128).fromAscii("loud");
    EXPECT_EQ(w->getParamValueByString(FakePlugin::gainId, string, normalized), kResultFalse);
    UString(string, 128).fromAscii("3");
    EXPECT_EQ(w->getParamValueByString(first + 7, string, normalized), kResultFalse);
    EXPECT_EQ(w->getParamValueByString(12345, string, normalized), kResultFalse);
    EXPECT_EQ(w->getParamValueByString(FakePlugin::gainId, nullptr, normalized), kResultFalse);
    EXPECT_EQ(normalized, -1);
    EXPECT_EQ(fake.calls, (Texts{"text_to_value 5 '7.5 dB' main true",
                                 "value_to_text 5 3 127 main true",
                                 "text_to_value 5 '3 dB' main true",
                                 "text_to_value 5 'loud' main true"}));
}

TEST(ClapAsVst3Interfaces, LongParameterTextsAreCutAtACharacterForThePlugin) {
    FakePlugin fake;
    const auto w = made();
    ASSERT_TRUE(w->start(fake));
    // 126 bytes of "a" and then "é" (two bytes): the plug-in takes at most 127.
    String128 string{};
    const std::u16string typed = std::u16string(126, u'a') + u"é";
    typed.copy(reinterpret_cast<char16_t*>(string), 127);
    ParamValue normalized = 0;
    w->getParamValueByString(FakePlugin::gainId, string, normalized);
    ASSERT_EQ(fake.calls.size(), 1u);
    EXPECT_EQ(fake.calls[0], "text_to_value 5 '" + std::string(126, 'a') + "' main true");
}

}  // namespace
