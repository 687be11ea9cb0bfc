#include "clap_as_vst3.hpp"

#include "clap/library.hpp"
#include "clap/plugin.hpp"
#include "fake_clap_plugin.hpp"
#include "ondrix_entry.hpp"
#include "recording_owner.hpp"
#include "sdk/string_convert.hpp"

#include "pluginterfaces/base/ustring.h"

#include <fmt/format.h>

#include <clap/ara.h>
#include <clap/ext/context-menu.h>
#include <clap/ext/gain-adjustment-metering.h>
#include <clap/ext/thread-check.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using Texts = std::vector<std::string>;

// A CLAP plug-in with a MIDI input, one parameter, the VST3 specifics and whichever optional
// extensions a test switches on, recording what the adapter asks of them. Thread: the test's.
// Owner: the test.
struct FakePlugin : clap_as_vst3_testing::FakeClapPlugin {
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

    clap_plugin_note_ports_t notePorts{};
    clap_plugin_params_t params{};
    clap_plugin_as_vst3_t vst3Specifics{};
    clap_plugin_context_menu_t contextMenu{};
    clap_plugin_track_info_t trackInfo{};
    clap_ara_plugin_extension_t ara{};
    clap_plugin_gain_adjustment_metering_t metering{};

    FakePlugin() : FakeClapPlugin("fake.plugin", "Fake") {
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
            of(p).calls.push_back(
                fmt::format("text_to_value {} '{}' main {}", id, text, of(p).onMainThread()));
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
            of(p).calls.push_back(
                fmt::format("ara bind {} {} {}", ref == &araDocument, known, assigned));
            return &araInstance;
        };
        metering.get = [](const clap_plugin_t* p) { return of(p).gainReduction; };
    }
    static FakePlugin& of(const clap_plugin_t* p) { return FakeClapPlugin::of<FakePlugin>(p); }
    const clap_host_context_menu_t& hostMenu() const {
        return *static_cast<const clap_host_context_menu_t*>(
            host->get_extension(host, CLAP_EXT_CONTEXT_MENU));
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
class Handler : public IComponentHandler, public IComponentHandler3 {
  public:
    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override {
        if (FUnknownPrivate::iidEqual(iid, IComponentHandler3::iid)) {
            *object = static_cast<IComponentHandler3*>(this);
        } else if (FUnknownPrivate::iidEqual(iid, IComponentHandler::iid) ||
                   FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *object = static_cast<IComponentHandler*>(this);
        } else {
            *object = nullptr;
            return kNoInterface;
        }
        addRef();
        return kResultOk;
    }
    uint32 PLUGIN_API addRef() override { return static_cast<uint32>(++references); }
    uint32 PLUGIN_API release() override { return static_cast<uint32>(--references); }
    tresult PLUGIN_API beginEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit(ParamID, ParamValue) override { return kResultOk; }
    tresult PLUGIN_API endEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
    IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) override {
        made.push_back(id == nullptr ? fmt::format("global, view {}", view != nullptr)
                                     : fmt::format("parameter {}", *id));
        if (!giveMenu) return nullptr;
        menu.addRef();
        return &menu;
    }

    int references = 1;
    std::vector<std::string> made;
    bool giveMenu = true;
    Menu menu;
};

// The plug-in's menu builder: records the items it is given as text.
struct Builder {
    clap_context_menu_builder_t table{};
    Texts items;
    // A kind it does not take, or -1.
    int refused = -1;

    Builder() {
        table.ctx = this;
        table.supports = [](const clap_context_menu_builder_t* b, uint32_t kind) {
            return static_cast<int>(kind) != of(b).refused;
        };
        table.add_item = [](const clap_context_menu_builder_t* b, uint32_t kind, const void* data) {
            of(b).items.push_back(describe(kind, data));
            return true;
        };
    }
    static Builder& of(const clap_context_menu_builder_t* b) {
        return *static_cast<Builder*>(b->ctx);
    }
    static std::string describe(uint32_t kind, const void* data) {
        const auto on = [](bool enabled) { return enabled ? "on" : "off"; };
        switch (kind) {
            case CLAP_CONTEXT_MENU_ITEM_ENTRY: {
                const auto* entry = static_cast<const clap_context_menu_entry_t*>(data);
                return fmt::format("entry '{}' {} {}", entry->label, on(entry->is_enabled),
                                   entry->action_id);
            }
            case CLAP_CONTEXT_MENU_ITEM_CHECK_ENTRY: {
                const auto* entry = static_cast<const clap_context_menu_check_entry_t*>(data);
                return fmt::format("check '{}' {} {} {}", entry->label, on(entry->is_enabled),
                                   entry->is_checked ? "checked" : "unchecked", entry->action_id);
            }
            case CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU: {
                const auto* submenu = static_cast<const clap_context_menu_submenu_t*>(data);
                return fmt::format("submenu '{}' {}", submenu->label, on(submenu->is_enabled));
            }
            default:
                return fmt::format("kind {}{}", kind, data == nullptr ? "" : " with data");
        }
    }
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

// A component made and initialised as a host does, over our plug-in or a fake one, and reached
// through the interfaces it admits to.
class Component {
  public:
    // Our plug-in.
    Component() { start(&vantrel_ondrix_plugin_entry); }
    explicit Component(const FakePlugin& fake) { start(fake.clapEntry()); }
    ~Component() {
        if (component) component->terminate();
        component = nullptr;
    }
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // The interface, or null when the component refuses it.
    template <class Interface>
    IPtr<Interface> as() {
        void* object = nullptr;
        if (unknown()->queryInterface(Interface::iid, &object) != kResultOk) return nullptr;
        return owned(static_cast<Interface*>(object));
    }
    FUnknown* unknown() { return static_cast<IComponent*>(component.get()); }
    // For the calls of a host that ignores a refused interface.
    ClapAsVst3& object() { return *component; }
    bool initialised = false;

  private:
    void start(const clap_plugin_entry_t* entry) {
        library.useStaticEntry(entry, nullptr);
        component = owned(new ClapAsVst3(&library, 0, nullptr));
        testing::internal::CaptureStderr();
        initialised = component->initialize(nullptr) == kResultOk;
        testing::internal::GetCapturedStderr();
    }

    Clap::Library library;
    IPtr<ClapAsVst3> component;
};

std::string text(const String128 string) {
    return StringConvert::convert(string, 128);
}

TEST(ClapAsVst3Interfaces, InterfacesFollowThePluginsExtensions) {
    struct Row {
        const char* name;
        bool (*given)(Component&);
    };
    const Row rows[] = {
        {"IComponent", [](Component& c) { return c.as<IComponent>() != nullptr; }},
        {"IAudioProcessor", [](Component& c) { return c.as<IAudioProcessor>() != nullptr; }},
        {"IEditController", [](Component& c) { return c.as<IEditController>() != nullptr; }},
        {"IUnitInfo", [](Component& c) { return c.as<IUnitInfo>() != nullptr; }},
        {"IMidiMapping", [](Component& c) { return c.as<IMidiMapping>() != nullptr; }},
        {"INoteExpressionController",
         [](Component& c) { return c.as<INoteExpressionController>() != nullptr; }},
        {"IContextMenuTarget", [](Component& c) { return c.as<IContextMenuTarget>() != nullptr; }},
        {"ARA::IPlugInEntryPoint",
         [](Component& c) { return c.as<ARA::IPlugInEntryPoint>() != nullptr; }},
        {"ARA::IPlugInEntryPoint2",
         [](Component& c) { return c.as<ARA::IPlugInEntryPoint2>() != nullptr; }},
        {"IGainReductionInfo",
         [](Component& c) { return c.as<Presonus::IGainReductionInfo>() != nullptr; }},
        {"IInfoListener",
         [](Component& c) { return c.as<ChannelContext::IInfoListener>() != nullptr; }},
        {"IConnectionPoint", [](Component& c) { return c.as<IConnectionPoint>() != nullptr; }},
    };
    const auto given = [&](Component& c) {
        Texts names;
        for (const Row& row : rows) {
            if (row.given(c)) names.push_back(row.name);
        }
        return names;
    };
    const Texts always = {"IComponent", "IAudioProcessor", "IEditController",
                          "IUnitInfo",  "IMidiMapping",    "INoteExpressionController"};

    Component ours;
    ASSERT_TRUE(ours.initialised);
    EXPECT_EQ(given(ours), always);

    FakePlugin full;
    Component everything(full);
    ASSERT_TRUE(everything.initialised);
    Texts all = always;
    all.insert(all.end(), {"IContextMenuTarget", "ARA::IPlugInEntryPoint",
                           "ARA::IPlugInEntryPoint2", "IGainReductionInfo", "IInfoListener"});
    EXPECT_EQ(given(everything), all);

    FakePlugin noMidi;
    noMidi.midiDialect = false;
    noMidi.withContextMenu = noMidi.withTrackInfo = noMidi.withAra = noMidi.withMetering = false;
    Component clapOnly(noMidi);
    ASSERT_TRUE(clapOnly.initialised);
    Texts withoutMapping = always;
    std::erase(withoutMapping, "IMidiMapping");
    EXPECT_EQ(given(clapOnly), withoutMapping);

    // No place for the answer is refused; a refused interface leaves the answer empty.
    EXPECT_EQ(ours.unknown()->queryInterface(IMidiMapping::iid, nullptr), kInvalidArgument);
    void* object = &object;
    EXPECT_EQ(ours.unknown()->queryInterface(IContextMenuTarget::iid, &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
}

TEST(ClapAsVst3Interfaces, MidiControllerAssignments) {
    FakePlugin fake;
    Component c(fake);
    const auto mapping = c.as<IMidiMapping>();
    ASSERT_TRUE(mapping);
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
    for (const auto& row : cases) {
        SCOPED_TRACE(
            fmt::format("bus {} channel {} controller {}", row.bus, row.channel, row.controller));
        ParamID id = 0;
        EXPECT_EQ(mapping->getMidiControllerAssignment(row.bus, row.channel, row.controller, id),
                  row.result);
        EXPECT_EQ(id, row.id);
    }
}

TEST(ClapAsVst3Interfaces, OurPluginMapsNoController) {
    Component c;
    const auto mapping = c.as<IMidiMapping>();
    ASSERT_TRUE(mapping);
    for (int16 channel = -1; channel <= 16; ++channel) {
        for (int16 controller = -1; controller <= 130; ++controller) {
            ParamID id = 0;
            ASSERT_EQ(mapping->getMidiControllerAssignment(0, channel, controller, id),
                      kResultFalse)
                << channel << " " << controller;
        }
    }
}

TEST(ClapAsVst3Interfaces, NoteExpressionInfo) {
    Component ours;
    const auto none = ours.as<INoteExpressionController>();
    ASSERT_TRUE(none);
    EXPECT_EQ(none->getNoteExpressionCount(0, 0), 0);
    NoteExpressionTypeInfo info{};
    EXPECT_EQ(none->getNoteExpressionInfo(0, 0, 0, info), kResultFalse);

    FakePlugin fake;
    Component c(fake);
    const auto expressions = c.as<INoteExpressionController>();
    ASSERT_TRUE(expressions);
    EXPECT_EQ(expressions->getNoteExpressionCount(0, 0), 6);
    EXPECT_EQ(expressions->getNoteExpressionCount(0, 1), 0);
    EXPECT_EQ(expressions->getNoteExpressionCount(1, 0), 0);
    Texts titles;
    for (int32 i = 0; i < 6; ++i) {
        ASSERT_EQ(expressions->getNoteExpressionInfo(0, 0, i, info), kResultOk);
        titles.push_back(
            fmt::format("{} {} {}", info.typeId, text(info.title), text(info.shortTitle)));
    }
    EXPECT_EQ(titles, (Texts{"0 Volume Vol", "1 Panorama Pan", "2 Tuning Tun", "3 Vibrato Vibr",
                             "4 Expression Expr", "5 Brightness Brit"}));
    EXPECT_EQ(expressions->getNoteExpressionInfo(0, 0, 6, info), kResultFalse);
    EXPECT_EQ(expressions->getNoteExpressionInfo(0, 0, -1, info), kResultFalse);
    EXPECT_EQ(expressions->getNoteExpressionInfo(0, 1, 0, info), kResultFalse);

    // Value texts come from the type whatever the bus and channel.
    String128 string{};
    EXPECT_EQ(expressions->getNoteExpressionStringByValue(3, 9, kTuningTypeID, 0.25, string),
              kResultOk);
    NoteExpressionValue value = 0;
    EXPECT_EQ(expressions->getNoteExpressionValueByString(3, 9, kTuningTypeID, string, value),
              kResultOk);
    EXPECT_DOUBLE_EQ(value, 0.25);
    EXPECT_EQ(expressions->getNoteExpressionStringByValue(0, 0, 77, 0.25, string), kResultFalse);
}

TEST(ClapAsVst3Interfaces, UnitsOfTheMidiInputsChannels) {
    FakePlugin fake;
    Component c(fake);
    const auto units = c.as<IUnitInfo>();
    ASSERT_TRUE(units);
    UnitID unit = -7;
    for (int32 channel = 0; channel < 4; ++channel) {
        ASSERT_EQ(units->getUnitByBus(kEvent, kInput, 0, channel, unit), kResultOk);
        UnitInfo info{};
        ASSERT_EQ(units->getUnitInfo(unit, info), kResultOk);
        EXPECT_EQ(text(info.name), fmt::format("MIDI Channel {}", channel + 1));
    }
    unit = -7;
    const struct {
        MediaType type;
        BusDirection dir;
        int32 bus, channel;
    } refused[] = {
        {kEvent, kInput, 0, 4},  {kEvent, kInput, 0, -1}, {kEvent, kInput, 1, 0},
        {kEvent, kOutput, 0, 0}, {kAudio, kInput, 0, 0},
    };
    for (const auto& row : refused) {
        EXPECT_EQ(units->getUnitByBus(row.type, row.dir, row.bus, row.channel, unit), kResultFalse);
    }
    EXPECT_EQ(unit, -7);

    EXPECT_EQ(units->getSelectedUnit(), kRootUnitId);
    EXPECT_EQ(units->selectUnit(2), kResultOk);
    EXPECT_EQ(units->getSelectedUnit(), 2);
}

TEST(ClapAsVst3Interfaces, ParameterTexts) {
    FakePlugin fake;
    Component c(fake);
    const auto controller = c.as<IEditController>();
    ASSERT_TRUE(controller);
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
    for (const auto& row : cases) {
        SCOPED_TRACE(fmt::format("{} at {}", row.id, row.normalized));
        String128 string{};
        EXPECT_EQ(controller->getParamStringByValue(row.id, row.normalized, string), row.result);
        EXPECT_EQ(text(string), row.text);
    }
    EXPECT_EQ(fake.calls,
              (Texts{"value_to_text 5 2.5 127 main true", "value_to_text 5 9.5 127 main true"}));

    fake.calls.clear();
    ParamValue normalized = -1;
    String128 string{};
    UString(string, 128).fromAscii("7.5 dB");
    EXPECT_EQ(controller->getParamValueByString(FakePlugin::gainId, string, normalized), kResultOk);
    EXPECT_DOUBLE_EQ(normalized, 0.75);
    // Round trip: the plug-in's text of a value reads back as that value.
    ASSERT_EQ(controller->getParamStringByValue(FakePlugin::gainId, 0.3, string), kResultOk);
    EXPECT_EQ(controller->getParamValueByString(FakePlugin::gainId, string, normalized), kResultOk);
    EXPECT_DOUBLE_EQ(normalized, 0.3);

    normalized = -1;
    UString(string, 128).fromAscii("loud");
    EXPECT_EQ(controller->getParamValueByString(FakePlugin::gainId, string, normalized),
              kResultFalse);
    UString(string, 128).fromAscii("3");
    EXPECT_EQ(controller->getParamValueByString(first + 7, string, normalized), kResultFalse);
    EXPECT_EQ(controller->getParamValueByString(12345, string, normalized), kResultFalse);
    EXPECT_EQ(controller->getParamValueByString(FakePlugin::gainId, nullptr, normalized),
              kResultFalse);
    EXPECT_EQ(normalized, -1);
    EXPECT_EQ(fake.calls,
              (Texts{"text_to_value 5 '7.5 dB' main true", "value_to_text 5 3 127 main true",
                     "text_to_value 5 '3 dB' main true", "text_to_value 5 'loud' main true"}));

    // A long text reaches the plug-in cut at a character: 126 bytes of "a" then "é" (two
    // bytes) would pass the 127 the plug-in takes.
    fake.calls.clear();
    string[0] = 0;
    (std::u16string(126, u'a') + u"é").copy(reinterpret_cast<char16_t*>(string), 127);
    controller->getParamValueByString(FakePlugin::gainId, string, normalized);
    EXPECT_EQ(fake.calls, Texts{"text_to_value 5 '" + std::string(126, 'a') + "' main true"});
}

constexpr clap_context_menu_target_t globalMenu{CLAP_CONTEXT_MENU_TARGET_KIND_GLOBAL, 0};

TEST(ClapAsVst3Interfaces, HostMenuItemsReachThePluginsMenu) {
    FakePlugin fake;
    // The host's objects outlive the component, which holds references to them.
    Handler handler;
    Component c(fake);
    ASSERT_EQ(c.as<IEditController>()->setComponentHandler(&handler), kResultOk);
    Menu& menu = handler.menu;
    menu.entries = {
        {u"Undo", 100, 0},
        {u"", 101, IContextMenuItem::kIsSeparator},
        {u"More", 102, IContextMenuItem::kIsGroupStart},
        {u"Redo", 103, 0},
        {u"", 104, IContextMenuItem::kIsGroupEnd},
        {u"Snap", 105, IContextMenuItem::kIsChecked | IContextMenuItem::kIsDisabled},
        {u"Grid", 106, IContextMenuItem::kIsDisabled},
    };
    const clap_host_context_menu_t& host = fake.hostMenu();

    Builder builder;
    ASSERT_TRUE(host.populate(fake.host, &globalMenu, &builder.table));
    EXPECT_EQ(builder.items,
              (Texts{"entry 'Undo' on 0", "kind 2", "submenu 'More' on", "entry 'Redo' on 3",
                     "kind 4", "check 'Snap' off checked 5", "entry 'Grid' off 6"}));
    EXPECT_EQ(handler.made, Texts{"global, view false"});
    EXPECT_EQ(menu.references, 2) << "the component holds the menu it was handed";

    // Performing an item runs its tag on its target and lets the menu go.
    EXPECT_TRUE(host.perform(fake.host, &globalMenu, 3));
    EXPECT_EQ(menu.target.tags, std::vector<int32>{103});
    EXPECT_EQ(menu.references, 1);
    EXPECT_FALSE(host.perform(fake.host, &globalMenu, 3)) << "the menu is gone";

    // The target's refusal is the plug-in's answer; the menu goes all the same.
    ASSERT_TRUE(host.populate(fake.host, &globalMenu, &builder.table));
    menu.target.answer = kResultFalse;
    EXPECT_FALSE(host.perform(fake.host, &globalMenu, 0));
    EXPECT_EQ(menu.target.tags, (std::vector<int32>{103, 100}));
    EXPECT_EQ(menu.references, 1);

    // A parameter's menu is asked for with its id.
    const clap_context_menu_target_t parameter{CLAP_CONTEXT_MENU_TARGET_KIND_PARAM, 42};
    ASSERT_TRUE(host.populate(fake.host, &parameter, &builder.table));
    EXPECT_EQ(handler.made.back(), "parameter 42");
}

TEST(ClapAsVst3Interfaces, MenusThatCannotBeMirrored) {
    FakePlugin fake;
    Handler handler;
    Component c(fake);
    handler.menu.entries = {{u"Undo", 100, 0}, {u"Redo", 101, 0}, {u"Cut", 102, 0}};
    const clap_host_context_menu_t& host = fake.hostMenu();
    ClapAsVst3& object = c.object();
    Builder builder;

    // Without IComponentHandler3 the host has no items to add, and none to perform.
    EXPECT_FALSE(object.context_menu_populate(&globalMenu, &builder.table));
    EXPECT_TRUE(host.populate(fake.host, &globalMenu, &builder.table));
    EXPECT_FALSE(host.perform(fake.host, &globalMenu, 0));
    EXPECT_FALSE(host.can_popup(fake.host));

    ASSERT_EQ(c.as<IEditController>()->setComponentHandler(&handler), kResultOk);
    // A builder that does not take every kind gets nothing, and no menu is made.
    builder.refused = CLAP_CONTEXT_MENU_ITEM_SEPARATOR;
    EXPECT_FALSE(host.populate(fake.host, &globalMenu, &builder.table));
    EXPECT_EQ(handler.made, Texts{});
    builder.refused = -1;

    // No menu from the host.
    handler.giveMenu = false;
    EXPECT_FALSE(host.populate(fake.host, &globalMenu, &builder.table));
    handler.giveMenu = true;

    // An item the host could not hand over is skipped and cannot be performed; the ones after
    // it keep their places.
    handler.menu.failing = 1;
    ASSERT_TRUE(host.populate(fake.host, &globalMenu, &builder.table));
    EXPECT_EQ(builder.items, (Texts{"entry 'Undo' on 0", "entry 'Cut' on 2"}));
    EXPECT_FALSE(host.perform(fake.host, &globalMenu, 1));
    EXPECT_FALSE(host.perform(fake.host, &globalMenu, 3)) << "past the count";
    EXPECT_TRUE(host.perform(fake.host, &globalMenu, 2));
    EXPECT_EQ(handler.menu.target.tags, std::vector<int32>{102});

    // An item left from an earlier menu is not performed once a new one fails to come.
    ASSERT_TRUE(host.populate(fake.host, &globalMenu, &builder.table));
    handler.giveMenu = false;
    EXPECT_FALSE(host.populate(fake.host, &globalMenu, &builder.table));
    EXPECT_FALSE(host.perform(fake.host, &globalMenu, 0));
    EXPECT_EQ(handler.menu.references, 1);

    // The adapter shows no menu of its own.
    EXPECT_FALSE(host.popup(fake.host, &globalMenu, 0, 10, 10));
    EXPECT_FALSE(object.context_menu_can_popup());
    EXPECT_EQ(c.as<IContextMenuTarget>()->executeMenuItem(7), kResultOk);
}

TEST(ClapAsVst3Interfaces, ChannelContextReachesThePlugin) {
    FakePlugin fake;
    Component c(fake);
    const auto listener = c.as<ChannelContext::IInfoListener>();
    ASSERT_TRUE(listener);
    Attributes list;
    list.ints[ChannelContext::kChannelColorKey] = 0x80FF2010;
    list.strings[ChannelContext::kChannelNameKey] = u"Drums";
    ASSERT_EQ(listener->setChannelContextInfos(&list), kResultOk);
    ASSERT_EQ(fake.tracks.size(), 1u);
    const clap_track_info_t& first = fake.tracks[0];
    EXPECT_EQ(first.flags, CLAP_TRACK_INFO_HAS_TRACK_NAME | CLAP_TRACK_INFO_HAS_TRACK_COLOR);
    EXPECT_STREQ(first.name, "Drums");
    EXPECT_EQ(first.color.alpha, 0x80);
    EXPECT_EQ(first.color.red, 0xFF);
    EXPECT_EQ(first.color.green, 0x20);
    EXPECT_EQ(first.color.blue, 0x10);

    // A name alone: the colour stays as it was, only not flagged.
    list.ints.clear();
    list.strings[ChannelContext::kChannelNameKey] = u"Bass ünd";
    ASSERT_EQ(listener->setChannelContextInfos(&list), kResultOk);
    ASSERT_EQ(fake.tracks.size(), 2u);
    EXPECT_EQ(fake.tracks[1].flags, CLAP_TRACK_INFO_HAS_TRACK_NAME);
    EXPECT_STREQ(fake.tracks[1].name, "Bass ünd");
    EXPECT_EQ(fake.tracks[1].color.red, 0xFF);

    // Long names, the host's text unterminated: what arrives is whole characters and a
    // terminator inside the plug-in's 256 bytes.
    const struct {
        std::u16string name;
        std::string arrives;
    } names[] = {
        {std::u16string(300, u'x'), std::string(255, 'x')},
        {std::u16string(254, u'x') + u"é" + std::u16string(45, u'x'), std::string(254, 'x')},
        {std::u16string(253, u'x') + u"é" + std::u16string(46, u'x'), std::string(253, 'x') + "é"},
    };
    for (const auto& row : names) {
        list.strings[ChannelContext::kChannelNameKey] = row.name;
        ASSERT_EQ(listener->setChannelContextInfos(&list), kResultOk);
        const clap_track_info_t& track = fake.tracks.back();
        EXPECT_EQ(std::string(track.name, strnlen(track.name, sizeof track.name)), row.arrives);
    }
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "track changed"), 5);

    // Nothing given: the plug-in is told, with nothing flagged.
    list.strings.clear();
    ASSERT_EQ(listener->setChannelContextInfos(&list), kResultOk);
    EXPECT_EQ(fake.tracks.back().flags, 0u);

    FakePlugin without;
    without.withTrackInfo = false;
    Component other(without);
    EXPECT_EQ(other.object().setChannelContextInfos(&list), kResultFalse);
    EXPECT_EQ(without.calls, Texts{});
}

TEST(ClapAsVst3Interfaces, GainReductionAndAra) {
    FakePlugin fake;
    Component c(fake);
    EXPECT_EQ(c.as<Presonus::IGainReductionInfo>()->getGainReductionValueInDb(), -4.5);

    void* document = &FakePlugin::araDocument;
    testing::internal::CaptureStdout();
    EXPECT_EQ(static_cast<const void*>(c.as<ARA::IPlugInEntryPoint>()->getFactory()),
              &FakePlugin::araFactory);
    EXPECT_EQ(c.as<ARA::IPlugInEntryPoint>()->bindToDocumentController(
                  static_cast<ARA::ARADocumentControllerRef>(document)),
              nullptr);
    EXPECT_EQ(
        static_cast<const void*>(c.as<ARA::IPlugInEntryPoint2>()->bindToDocumentControllerWithRoles(
            static_cast<ARA::ARADocumentControllerRef>(document), 7, 3)),
        &FakePlugin::araInstance);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(fake.calls, (Texts{"ara get_factory", "ara bind true 7 3"}));

    // Each call leaves one line, prefixed with where it was written.
    Texts messages;
    for (std::size_t start = 0; start < log.size();) {
        const std::size_t end = log.find('\n', start);
        const std::string line = log.substr(start, end - start);
        EXPECT_NE(line.find("clap_as_vst3_interfaces.cpp:"), std::string::npos) << line;
        messages.push_back(line.substr(line.find(") ") + 2));
        start = end + 1;
    }
    EXPECT_EQ(messages,
              (Texts{"-> ARA::IPlugInEntryPoint::getFactory",
                     "-> ARA::IPlugInEntryPoint::bindToDocumentController (!!! DEPRECATED !!!)",
                     "-> ARA::IPlugInEntryPoint2::bindToDocumentControllerWithRoles"}));

    FakePlugin plain;
    plain.withAra = plain.withMetering = false;
    Component without(plain);
    ClapAsVst3& object = without.object();
    EXPECT_EQ(object.getGainReductionValueInDb(), 0.0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(object.getFactory(), nullptr);
    EXPECT_EQ(object.bindToDocumentControllerWithRoles(nullptr, 1, 1), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("getFactory"), std::string::npos);
    EXPECT_EQ(plain.calls, Texts{});
}

TEST(ClapAsVst3Interfaces, AMenuItemsLabelMovesWithIt) {
    std::vector<wrapper_context_menu_item> items;
    for (uint32_t i = 0; i < 40; ++i) {
        wrapper_context_menu_item item;
        const std::u16string name = i % 2 ? u"Undo" : std::u16string(60, u'm');
        name.copy(reinterpret_cast<char16_t*>(item.vst3Item.name), 127);
        item.vst3_to_clap(i);
        items.push_back(std::move(item));  // and the items before it move as the list grows
    }
    for (const wrapper_context_menu_item& item : items) {
        ASSERT_EQ(item.clapItem.label, item.label.c_str());
        EXPECT_EQ(std::string(item.clapItem.label),
                  item.clapItem.action_id % 2 ? "Undo" : std::string(60, 'm'));
    }
}

}  // namespace
