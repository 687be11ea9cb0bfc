#include "clap_as_vst3.hpp"

#include "clap/library.hpp"
#include "clap/plugin.hpp"
#include "fake_clap_plugin.hpp"
#include "ondrix_entry.hpp"
#include "recording_owner.hpp"
#include "sdk/string_convert.hpp"
#include "vst3_parameter.hpp"

#include "pluginterfaces/vst/vstspeaker.h"

#include <fmt/format.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using Texts = std::vector<std::string>;

// A port or parameter with this id is one whose info cannot be read.
constexpr clap_id unreadable = 0xDEAD;

// A CLAP plug-in with the ports, parameters and VST3 specifics a test gives it, made through its
// own factory. Thread: the test's thread. Owner: the test.
struct FakePlugin : clap_as_vst3_testing::FakeClapPlugin {
    std::vector<clap_audio_port_info_t> audioInputs, audioOutputs;
    std::vector<clap_note_port_info_t> noteInputs, noteOutputs;
    std::vector<clap_param_info_t> params;
    bool withNotePorts = true;
    bool withParams = true;
    bool withVst3Specifics = false;
    uint32_t midiChannels = 16;
    uint32_t noteExpressions = 0x40;
    // The note ports the VST3 specifics were asked about.
    std::vector<uint32_t> channelsAskedFor;

    clap_plugin_audio_ports_t audioPorts{};
    clap_plugin_note_ports_t notePorts{};
    clap_plugin_params_t paramsTable{};
    clap_plugin_as_vst3_t vst3Specifics{};

    FakePlugin() : FakeClapPlugin("fake.plugin", "Fake") {
        plugin.get_extension = [](const clap_plugin_t* p, const char* id) -> const void* {
            FakePlugin& fake = of(p);
            const std::string ext = id;
            if (ext == CLAP_EXT_AUDIO_PORTS) return &fake.audioPorts;
            if (ext == CLAP_EXT_NOTE_PORTS && fake.withNotePorts) return &fake.notePorts;
            if (ext == CLAP_EXT_PARAMS && fake.withParams) return &fake.paramsTable;
            if (ext == CLAP_PLUGIN_AS_VST3 && fake.withVst3Specifics) return &fake.vst3Specifics;
            return nullptr;
        };
        audioPorts.count = [](const clap_plugin_t* p, bool input) {
            return static_cast<uint32_t>((input ? of(p).audioInputs : of(p).audioOutputs).size());
        };
        audioPorts.get = [](const clap_plugin_t* p, uint32_t i, bool input,
                            clap_audio_port_info_t* info) {
            return fill(input ? of(p).audioInputs : of(p).audioOutputs, i, info);
        };
        notePorts.count = [](const clap_plugin_t* p, bool input) {
            return static_cast<uint32_t>((input ? of(p).noteInputs : of(p).noteOutputs).size());
        };
        notePorts.get = [](const clap_plugin_t* p, uint32_t i, bool input,
                           clap_note_port_info_t* info) {
            return fill(input ? of(p).noteInputs : of(p).noteOutputs, i, info);
        };
        paramsTable.count = [](const clap_plugin_t* p) {
            return static_cast<uint32_t>(of(p).params.size());
        };
        paramsTable.get_info = [](const clap_plugin_t* p, uint32_t i, clap_param_info_t* info) {
            return fill(of(p).params, i, info);
        };
        vst3Specifics.get_num_midi_channels = [](const clap_plugin_t* p, uint32_t port) {
            of(p).channelsAskedFor.push_back(port);
            return of(p).midiChannels;
        };
        vst3Specifics.supported_note_expressions = [](const clap_plugin_t* p) {
            return of(p).noteExpressions;
        };
    }
    static FakePlugin& of(const clap_plugin_t* p) { return FakeClapPlugin::of<FakePlugin>(p); }
    template <class Info>
    static bool fill(const std::vector<Info>& list, uint32_t i, Info* info) {
        if (i >= list.size() || list[i].id == unreadable) return false;
        *info = list[i];
        return true;
    }
};

template <std::size_t N>
void copyName(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N));
}

clap_audio_port_info_t audioPort(const char* name, uint32_t channels, const char* type,
                                 uint32_t flags = 0, clap_id id = 1) {
    clap_audio_port_info_t info{};
    info.id = id;
    copyName(info.name, name);
    info.flags = flags;
    info.channel_count = channels;
    info.port_type = type;
    info.in_place_pair = CLAP_INVALID_ID;
    return info;
}

clap_note_port_info_t notePort(const char* name, uint32_t dialects, clap_id id = 1) {
    clap_note_port_info_t info{};
    info.id = id;
    copyName(info.name, name);
    info.supported_dialects = dialects;
    return info;
}

clap_param_info_t param(clap_id id, const std::string& module, double maximum = 1,
                        clap_param_info_flags flags = 0) {
    clap_param_info_t info{};
    info.id = id;
    copyName(info.name, fmt::format("P{}", id));
    copyName(info.module, module);
    info.max_value = maximum;
    info.flags = flags;
    return info;
}

// A bus as one line: name, channels, type, flags, and for audio its arrangement.
std::string describe(Bus& bus) {
    BusInfo info{};
    bus.getInfo(info);
    std::string text = StringConvert::convert(info.name) + ": " +
                       std::to_string(info.channelCount) + " ch, " +
                       (info.busType == kMain ? "main" : "aux");
    if (info.flags & BusInfo::kDefaultActive) text += ", default active";
    if (auto* audio = FCast<AudioBus>(&bus)) text += fmt::format(", {:#x}", audio->getArrangement());
    return text;
}

// ClapAsVst3 with its CLAP instance started as `initialize` starts it, through Clap::Plugin
// and an owner that passes the set-up calls on.
class Wrapper : public ClapAsVst3 {
public:
    Wrapper() : ClapAsVst3(nullptr, 0, nullptr) {}
    ~Wrapper() override { plugin.reset(); }

    bool start(std::shared_ptr<Clap::Plugin> made) {
        plugin = std::move(made);
        return plugin && plugin->initialize();
    }
    bool start(const FakePlugin& fake) {
        return start(Clap::Plugin::createInstance(fake.clapFactory(), "fake.plugin", &owner));
    }
    // The same, leaving out the audio port count line it writes.
    bool startQuietly(const FakePlugin& fake) {
        testing::internal::CaptureStderr();
        const bool started = start(fake);
        testing::internal::GetCapturedStderr();
        return started;
    }
    bool startOurs() {
        library.useStaticEntry(&vantrel_ondrix_plugin_entry, nullptr);
        return start(Clap::Plugin::createInstance(library, 0, &owner));
    }
    void rebuildAudioBusses() {
        setupAudioBusses(plugin->instance(), plugin->extensions().audioPorts);
    }

    Texts buses(MediaType type, BusDirection direction) {
        Texts lines;
        for (auto& bus : *getBusList(type, direction)) lines.push_back(describe(*bus));
        return lines;
    }
    Vst3Parameter& parameter(ParamID id) {
        return *static_cast<Vst3Parameter*>(parameters.getParameter(id));
    }
    std::vector<UnitInfo> unitInfos() {
        std::vector<UnitInfo> infos(getUnitCount());
        for (int32 i = 0; i < getUnitCount(); ++i) getUnitInfo(i, infos[i]);
        return infos;
    }

    using ClapAsVst3::midiChannels;
    using ClapAsVst3::midiChannelUnits;
    using ClapAsVst3::midiMappingIdsContiguous;
    using ClapAsVst3::midiMappingTable;
    using ClapAsVst3::noteExpressionMask;
    using ClapAsVst3::noteExpressions;
    using ClapAsVst3::parameters;
    using ClapAsVst3::supportsMidiDialect;

private:
    // Passes the set-up calls of Clap::Plugin::initialize on to the wrapper.
    struct Owner : clap_host_testing::RecordingOwner {
        explicit Owner(Wrapper& w) : wrapper(w) {}
        void setupWrapperSpecifics(const clap_plugin_t* p) override {
            wrapper.setupWrapperSpecifics(p);
        }
        void setupAudioBusses(const clap_plugin_t* p, const clap_plugin_audio_ports_t* e) override {
            wrapper.setupAudioBusses(p, e);
        }
        void setupMIDIBusses(const clap_plugin_t* p, const clap_plugin_note_ports_t* e) override {
            wrapper.setupMIDIBusses(p, e);
        }
        void setupParameters(const clap_plugin_t* p, const clap_plugin_params_t* e) override {
            wrapper.setupParameters(p, e);
        }
        Wrapper& wrapper;
    };
    Owner owner{*this};
    Clap::Library library;
};

IPtr<Wrapper> made() {
    return owned(new Wrapper);
}

bool allZero(const Wrapper& w) {
    for (const auto& row : w.midiMappingTable) {
        for (ParamID id : row) {
            if (id != 0) return false;
        }
    }
    return true;
}

TEST(ClapAsVst3Setup, OurPluginGetsItsOutputAndTwoEventBusesAndNoParameters) {
    const auto w = made();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(w->startOurs());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\tAUDIO in: 0, out: 1\n");

    EXPECT_EQ(w->buses(kAudio, kInput), Texts{});
    EXPECT_EQ(w->buses(kAudio, kOutput), Texts{"main: 2 ch, main, default active, 0x3"});
    EXPECT_EQ(w->buses(kEvent, kInput), Texts{"MIDI in: 16 ch, main, default active"});
    EXPECT_EQ(w->buses(kEvent, kOutput), Texts{"CCs out: 16 ch, main, default active"});

    // Its MIDI input speaks the MIDI dialect, but without a parameter extension there is
    // nothing to map: no parameters, no units, no program lists, no note expressions.
    EXPECT_TRUE(w->supportsMidiDialect);
    EXPECT_EQ(w->getParameterCount(), 0);
    EXPECT_EQ(w->getUnitCount(), 0);
    EXPECT_EQ(w->getProgramListCount(), 0);
    EXPECT_EQ(w->noteExpressions.getNoteExpressionCount(), 0);
    EXPECT_TRUE(allZero(*w));
    EXPECT_EQ(w->midiChannels, 16);
    EXPECT_EQ(w->noteExpressionMask, 0x40u);
}

TEST(ClapAsVst3Setup, SpeakerArrangementsByTypeAndChannelCount) {
    const struct {
        const char* type;
        uint32_t channels;
        SpeakerArrangement arrangement;
    } cases[] = {
        {CLAP_PORT_MONO, 1, 0x80000}, {CLAP_PORT_MONO, 2, 0x80000},
        {CLAP_PORT_STEREO, 2, 0x3},   {CLAP_PORT_STEREO, 6, 0x3},
        {"surround", 6, 0},           {"surround", 2, 0},
        {nullptr, 1, 0x80000},        {nullptr, 2, 0x3},
        {"", 2, 0x3},                 {nullptr, 3, 0x7},
        {nullptr, 5, 0x37},           {nullptr, 6, 0x3F},
        {nullptr, 7, 0xF7},           {nullptr, 8, 0xFF},
        {nullptr, 9, 0x1FF},          {nullptr, 64, ~SpeakerArrangement{0}},
        {nullptr, 0, 0},              {nullptr, 65, 0},
        {nullptr, UINT32_MAX, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type ? c.type : "no type") + ", " + std::to_string(c.channels));
        EXPECT_EQ(ClapAsVst3::speakerArrFromPortType(c.type, c.channels), c.arrangement);
    }
    // Without a type, a host counting the speakers finds the port's channels.
    for (uint32_t channels = 0; channels <= 65; ++channels) {
        SCOPED_TRACE(channels);
        const int speakers = std::popcount(ClapAsVst3::speakerArrFromPortType(nullptr, channels));
        EXPECT_EQ(speakers, channels <= 64 ? static_cast<int>(channels) : 0);
    }
}

TEST(ClapAsVst3Setup, AudioBusesFollowThePortsAndKeepWhatTheHostSwitchedOff) {
    FakePlugin fake;
    fake.audioInputs = {
        audioPort("in", 2, CLAP_PORT_STEREO, CLAP_AUDIO_PORT_IS_MAIN),
        audioPort("lost", 2, CLAP_PORT_STEREO, 0, unreadable),
        audioPort("side", 1, CLAP_PORT_MONO),
        audioPort(std::string(300, 'x').c_str(), 5, nullptr),
    };
    fake.audioOutputs = {audioPort("out", 2, CLAP_PORT_STEREO)};
    const auto w = made();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(w->start(fake));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\tAUDIO in: 4, out: 1\n");
    const Texts inputs = {
        "in: 2 ch, main, default active, 0x3",
        "side: 1 ch, aux, default active, 0x80000",
        std::string(127, 'x') + ": 5 ch, aux, default active, 0x37",
    };
    EXPECT_EQ(w->buses(kAudio, kInput), inputs) << "an unreadable port is skipped";
    EXPECT_EQ(w->buses(kAudio, kOutput), Texts{"out: 2 ch, main, default active, 0x3"});

    ASSERT_EQ(w->activateBus(kAudio, kInput, 0, true), kResultOk);
    ASSERT_EQ(w->activateBus(kAudio, kInput, 1, false), kResultOk);
    ASSERT_EQ(w->activateBus(kAudio, kOutput, 0, true), kResultOk);
    fake.audioInputs.pop_back();
    fake.audioInputs[0] = audioPort("in", 1, CLAP_PORT_MONO, CLAP_AUDIO_PORT_IS_MAIN);
    testing::internal::CaptureStderr();
    w->rebuildAudioBusses();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(w->buses(kAudio, kInput), (Texts{"in: 1 ch, main, default active, 0x80000",
                                               "side: 1 ch, aux, default active, 0x80000"}));
    const BusList& in = *w->getBusList(kAudio, kInput);
    EXPECT_TRUE(in.at(0)->isActive());
    EXPECT_FALSE(in.at(1)->isActive()) << "the host's choice survives the rebuild";
    EXPECT_TRUE(w->getBusList(kAudio, kOutput)->at(0)->isActive());
}

TEST(ClapAsVst3Setup, EventBusesForPortsThatSpeakClapOrMidi) {
    struct Case {
        const char* name;
        bool vst3Specifics;
        uint32_t midiChannels;
        Texts inputs;
        uint8_t mappedChannels;
        std::vector<uint32_t> asked;
    };
    const Case cases[] = {
        {"no VST3 specifics", false, 40,
         {"midi: 16 ch, main, default active", "clap: 16 ch, main, default active"}, 16, {}},
        {"VST3 specifics", true, 4,
         {"midi: 4 ch, main, default active", "clap: 4 ch, main, default active"}, 4, {0, 0, 1}},
        {"more channels than can be mapped", true, 40,
         {"midi: 40 ch, main, default active", "clap: 40 ch, main, default active"}, 16, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlugin fake;
        fake.withParams = false;
        fake.withVst3Specifics = c.vst3Specifics;
        fake.midiChannels = c.midiChannels;
        fake.noteInputs = {notePort("midi", CLAP_NOTE_DIALECT_MIDI),
                           notePort("clap", CLAP_NOTE_DIALECT_CLAP),
                           notePort("mpe only", CLAP_NOTE_DIALECT_MIDI_MPE),
                           notePort("lost", CLAP_NOTE_DIALECT_MIDI, unreadable)};
        fake.noteOutputs = {notePort("midi 2", CLAP_NOTE_DIALECT_MIDI2)};
        const auto w = made();
        ASSERT_TRUE(w->startQuietly(fake));
        EXPECT_EQ(w->buses(kEvent, kInput), c.inputs);
        EXPECT_EQ(w->buses(kEvent, kOutput), Texts{});
        EXPECT_EQ(w->midiChannels, c.mappedChannels);
        EXPECT_EQ(fake.channelsAskedFor, c.asked);
        EXPECT_TRUE(w->supportsMidiDialect);
    }
}

TEST(ClapAsVst3Setup, MidiDialectNeedsAnInputPortThatSpeaksIt) {
    const struct {
        const char* name;
        bool notePorts;
        std::vector<clap_note_port_info_t> inputs, outputs;
        bool dialect;
    } cases[] = {
        {"no note ports", false, {notePort("in", CLAP_NOTE_DIALECT_MIDI)}, {}, false},
        {"MIDI only on an output", true, {notePort("in", CLAP_NOTE_DIALECT_CLAP)},
         {notePort("out", CLAP_NOTE_DIALECT_MIDI)}, false},
        {"an unreadable MIDI input", true,
         {notePort("in", CLAP_NOTE_DIALECT_MIDI, unreadable)}, {}, false},
        {"a second input speaks it", true,
         {notePort("a", CLAP_NOTE_DIALECT_CLAP),
          notePort("b", CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI)}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlugin fake;
        fake.withParams = false;
        fake.withNotePorts = c.notePorts;
        fake.noteInputs = c.inputs;
        fake.noteOutputs = c.outputs;
        const auto w = made();
        ASSERT_TRUE(w->startQuietly(fake));
        EXPECT_EQ(w->supportsMidiDialect, c.dialect);
    }
}

// A plug-in with parameters and a MIDI input, mapped on two channels.
class ClapAsVst3Parameters : public testing::Test {
protected:
    void SetUp() override {
        fake.withVst3Specifics = true;
        fake.midiChannels = 2;
        fake.noteExpressions = 0x7F;
        fake.noteInputs = {notePort("in", CLAP_NOTE_DIALECT_MIDI)};
        fake.params = {
            param(0x80000001, "/synth/osc", 10, CLAP_PARAM_IS_STEPPED),
            param(2, "synth/filter"),
            param(3, "fx/osc"),
            param(4, ""),
            param(unreadable, "lost"),
            param(ClapAsVst3::firstMidiMappingId + 2, "a//b/"),
            param(6, "bad/\xff/c"),
            param(7, std::string(200, 'u')),
        };
        ASSERT_TRUE(w->startQuietly(fake));
    }

    // Each unit as "id name < parent [program list]".
    Texts units() {
        Texts lines;
        for (const UnitInfo& u : w->unitInfos()) {
            std::string line =
                fmt::format("{} {} < {}", u.id, StringConvert::convert(u.name), u.parentUnitId);
            if (u.programListId != kNoProgramListId) line += fmt::format(" {:#x}", u.programListId);
            lines.push_back(line);
        }
        return lines;
    }

    FakePlugin fake;
    IPtr<Wrapper> w = made();
};

TEST_F(ClapAsVst3Parameters, PluginParametersSitInUnitsFoundByTheirPath) {
    const std::string longName(127, 'u');
    const Texts expected = {
        "0 Root < -1",
        "1 synth < 0",  "2 osc < 1",  "3 filter < 1", "4 fx < 0", "5 osc < 4",
        "6 a < 0",      "7  < 6",     "8 b < 7",      "9 bad < 0", "10 c < 9",
        "11 " + longName + " < 0",
        "12 MIDI Channel 1 < 0 0xb00083", "13 MIDI Channel 2 < 0 0xb00106",
    };
    EXPECT_EQ(units(), expected);

    // The plug-in's parameters come first, in order, without the unreadable one.
    const struct {
        ParamID id;
        clap_id clapId;
        int32 clapIndex;
        UnitID unit;
    } plugins[] = {
        {1, 0x80000001, 0, 2}, {2, 2, 1, 3}, {3, 3, 2, 5}, {4, 4, 3, 0},
        {ClapAsVst3::firstMidiMappingId + 2, ClapAsVst3::firstMidiMappingId + 2, 5, 8},
        {6, 6, 6, 10}, {7, 7, 7, 11},
    };
    ASSERT_EQ(w->getParameterCount(), 7 + 2 * 131);
    for (int32 i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        ParameterInfo info{};
        ASSERT_EQ(w->getParameterInfo(i, info), kResultOk);
        EXPECT_EQ(info.id, plugins[i].id);
        EXPECT_EQ(info.unitId, plugins[i].unit);
        const Vst3Parameter& p = w->parameter(info.id);
        EXPECT_EQ(p.clapId, plugins[i].clapId);
        EXPECT_EQ(p.clapIndex, plugins[i].clapIndex);
        EXPECT_FALSE(p.isMidi);
    }
    const Vst3Parameter& stepped = w->parameter(1);
    EXPECT_EQ(stepped.getInfo().stepCount, 10);
    EXPECT_DOUBLE_EQ(stepped.asClapValue(0.5), 5);
    EXPECT_DOUBLE_EQ(stepped.asVst3Value(5), 0.5);
}

TEST_F(ClapAsVst3Parameters, MidiMappingIdsSkipTheOnesThePluginHolds) {
    constexpr ParamID first = ClapAsVst3::firstMidiMappingId;
    EXPECT_EQ(w->midiMappingTable[0][0], first);
    EXPECT_EQ(w->midiMappingTable[0][1], first + 1);
    EXPECT_EQ(w->midiMappingTable[0][2], first + 3) << "the plug-in holds first + 2";
    EXPECT_EQ(w->midiMappingTable[0][129], first + 130);
    EXPECT_EQ(w->midiMappingTable[1][0], first + 132) << "after channel 1's program change";
    EXPECT_EQ(w->midiMappingTable[1][129], first + 261);
    for (std::size_t channel = 2; channel < ClapAsVst3::mappedChannels; ++channel) {
        EXPECT_EQ(w->midiMappingTable[channel][0], 0u) << "only two channels are mapped";
    }
    EXPECT_FALSE(w->midiMappingIdsContiguous);
    EXPECT_EQ(w->midiChannelUnits, (std::vector<UnitID>{12, 13}));

    const struct {
        ParamID id;
        uint8_t channel, controller;
        int32 steps, flags;
        UnitID unit;
    } mapped[] = {
        {first, 0, 0, 127, 0, 12},
        {first + 3, 0, 2, 127, 0, 12},
        {first + 129, 0, 128, 127, 0, 12},
        {first + 130, 0, 129, 16383, 0, 12},
        {first + 131, 0, 130, 127, ParameterInfo::kCanAutomate | ParameterInfo::kIsProgramChange,
         12},
        {first + 262, 1, 130, 127, ParameterInfo::kCanAutomate | ParameterInfo::kIsProgramChange,
         13},
    };
    for (const auto& m : mapped) {
        SCOPED_TRACE(m.id);
        const Vst3Parameter& p = w->parameter(m.id);
        EXPECT_TRUE(p.isMidi);
        EXPECT_EQ(p.channel, m.channel);
        EXPECT_EQ(p.controller, m.controller);
        EXPECT_EQ(p.getInfo().stepCount, m.steps);
        EXPECT_EQ(p.getInfo().flags, m.flags);
        EXPECT_EQ(p.getInfo().unitId, m.unit);
    }

    // Each channel's program changes are listed under its program-change parameter's id.
    ASSERT_EQ(w->getProgramListCount(), 2);
    ProgramListInfo list{};
    ASSERT_EQ(w->getProgramListInfo(1, list), kResultOk);
    EXPECT_EQ(list.id, static_cast<ProgramListID>(first + 262));
    EXPECT_EQ(StringConvert::convert(list.name), "Program Changes");
    EXPECT_EQ(list.programCount, 128);
    for (int32 program : {0, 127}) {
        String128 name{};
        ASSERT_EQ(w->getProgramName(list.id, program, name), kResultOk);
        EXPECT_EQ(StringConvert::convert(name), "Program " + std::to_string(program + 1));
    }
}

TEST_F(ClapAsVst3Parameters, NoteExpressionTypesFollowTheMask) {
    Texts types;
    for (int32 i = 0; i < w->noteExpressions.getNoteExpressionCount(); ++i) {
        NoteExpressionTypeInfo info{};
        ASSERT_EQ(w->noteExpressions.getNoteExpressionInfo(i, info), kResultOk);
        types.push_back(std::to_string(info.typeId) + " " + StringConvert::convert(info.title) +
                        " " + StringConvert::convert(info.shortTitle));
        EXPECT_EQ(info.unitId, 0);
        EXPECT_EQ(info.flags, 0);
    }
    EXPECT_EQ(types, (Texts{"0 Volume Vol", "1 Panorama Pan", "2 Tuning Tun", "3 Vibrato Vibr",
                            "4 Expression Expr", "5 Brightness Brit"}))
        << "poly pressure (0x40) is no note-expression type";
    EXPECT_EQ(w->noteExpressionMask, 0x7Fu);
}

}  // namespace
