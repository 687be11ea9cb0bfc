// ClapAsVst3: its VST3 side built from the plug-in's declarations (wrapper specifics, audio and
// event buses, parameters with their units, the MIDI-mapping parameters, note-expression types).

#include "clap_as_vst3.hpp"

#include "clap/plugin.hpp"
#include "sdk/string_convert.hpp"
#include "vst3_parameter.hpp"

#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// One table for every arrangement a CLAP port is given. A port that names its type matches
// the row with that type alone; a port that names none matches the row for its channel count.
struct SpeakerRow {
    const char* portType;
    uint32_t channels;
    SpeakerArrangement arrangement;
};
constexpr SpeakerRow speakerRows[] = {
    {CLAP_PORT_MONO, 1, SpeakerArr::kMono},
    {CLAP_PORT_STEREO, 2, SpeakerArr::kStereo},
    {nullptr, 5, SpeakerArr::k50},
    {nullptr, 6, SpeakerArr::k51},
    {nullptr, 7, SpeakerArr::k70Cine},
    {nullptr, 8, SpeakerArr::k71Cine},
};

// A name field of the plug-in's, which it may have filled to the last byte.
template <std::size_t N>
std::string_view nameOf(const char (&field)[N]) {
    return {field, strnlen(field, N)};
}

// A text as UTF-16, at most `size` - 1 units and terminated.
template <std::size_t N>
void toUtf16(std::string_view text, TChar (&out)[N]) {
    StringConvert::convert(text, out, N);
}

// Whether a piece of a module path is UTF-8 that converts as it is (a malformed sequence would
// come back as a replacement character).
bool convertible(std::string_view text) {
    return StringConvert::convert(StringConvert::convert(text)) == text;
}

struct NoteExpressionRow {
    uint32_t bit;
    NoteExpressionTypeID type;
    const char16_t* title;
    const char16_t* shortTitle;
};
constexpr NoteExpressionRow noteExpressionRows[] = {
    {0x01, kVolumeTypeID, u"Volume", u"Vol"},
    {0x02, kPanTypeID, u"Panorama", u"Pan"},
    {0x04, kTuningTypeID, u"Tuning", u"Tun"},
    {0x08, kVibratoTypeID, u"Vibrato", u"Vibr"},
    {0x10, kExpressionTypeID, u"Expression", u"Expr"},
    {0x20, kBrightnessTypeID, u"Brightness", u"Brit"},
};

int32 asChannelCount(uint32_t channels) {
    return static_cast<int32>(
        std::min<uint32_t>(channels, static_cast<uint32_t>(std::numeric_limits<int32>::max())));
}

}  // namespace

ClapAsVst3::ClapAsVst3(Clap::Library* library, int index, void* creationContext)
    : library(library), libraryIndex(index), creationContext(creationContext) {}

SpeakerArrangement ClapAsVst3::speakerArrFromPortType(const char* portType,
                                                      uint32_t channelCount) {
    const bool typed = portType != nullptr && portType[0] != '\0';
    for (const SpeakerRow& row : speakerRows) {
        if (typed ? row.portType != nullptr && std::strcmp(row.portType, portType) == 0
                  : row.channels == channelCount) {
            return row.arrangement;
        }
    }
    if (typed || channelCount == 0 || channelCount > 64) {
        return SpeakerArr::kEmpty;
    }
    // Any other count: that many speakers, one bit each from the lowest.
    return channelCount == 64 ? ~SpeakerArrangement{0}
                              : (SpeakerArrangement{1} << channelCount) - 1;
}

bool ClapAsVst3::checkMIDIDialectSupport() {
    const clap_plugin_note_ports_t* notePorts = plugin ? plugin->extensions().notePorts : nullptr;
    if (notePorts == nullptr) {
        return false;
    }
    const clap_plugin_t* instance = plugin->instance();
    const uint32_t count = notePorts->count(instance, true);
    for (uint32_t i = 0; i < count; ++i) {
        clap_note_port_info_t info{};
        if (notePorts->get(instance, i, true, &info) &&
            (info.supported_dialects & CLAP_NOTE_DIALECT_MIDI) != 0) {
            return true;
        }
    }
    return false;
}

void ClapAsVst3::setupWrapperSpecifics(const clap_plugin_t* clapPlugin) {
    supportsMidiDialect = checkMIDIDialectSupport();
    vst3PluginInfo = static_cast<const clap_plugin_as_vst3_t*>(
        clapPlugin->get_extension(clapPlugin, CLAP_PLUGIN_AS_VST3));
    if (vst3PluginInfo == nullptr) {
        return;
    }
    if (vst3PluginInfo->get_num_midi_channels != nullptr) {
        // The mapping table has a row for each of the first 16 channels; more get none.
        const uint32_t channels = vst3PluginInfo->get_num_midi_channels(clapPlugin, 0);
        midiChannels = static_cast<uint8_t>(std::min<uint32_t>(channels, mappedChannels));
    }
    if (vst3PluginInfo->supported_note_expressions != nullptr) {
        noteExpressionMask = vst3PluginInfo->supported_note_expressions(clapPlugin);
    }
}

void ClapAsVst3::setupAudioBusses(const clap_plugin_t* clapPlugin,
                                  const clap_plugin_audio_ports_t* audioPorts) {
    if (audioPorts == nullptr) {
        return;
    }
    // A rebuild keeps what the host switched off on the buses that are still there.
    std::vector<bool> inputsActive;
    std::vector<bool> outputsActive;
    for (const auto& bus : audioInputs) {
        inputsActive.push_back(bus->isActive());
    }
    for (const auto& bus : audioOutputs) {
        outputsActive.push_back(bus->isActive());
    }
    removeAudioBusses();

    const uint32_t inputs = audioPorts->count(clapPlugin, true);
    const uint32_t outputs = audioPorts->count(clapPlugin, false);
    std::fprintf(stderr, "\tAUDIO in: %d, out: %d\n", static_cast<int>(inputs),
                 static_cast<int>(outputs));
    for (const bool isInput : {true, false}) {
        for (uint32_t i = 0; i < (isInput ? inputs : outputs); ++i) {
            clap_audio_port_info_t info{};
            if (audioPorts->get(clapPlugin, i, isInput, &info)) {
                addAudioBusFrom(info, isInput);
            }
        }
    }

    for (auto [buses, active] : {std::pair{&audioInputs, &inputsActive},
                                 std::pair{&audioOutputs, &outputsActive}}) {
        const std::size_t kept = std::min(buses->size(), active->size());
        for (std::size_t i = 0; i < kept; ++i) {
            buses->at(i)->setActive((*active)[i]);
        }
    }
}

void ClapAsVst3::addAudioBusFrom(const clap_audio_port_info_t& info, bool isInput) {
    TChar name[256];
    toUtf16(nameOf(info.name), name);
    const SpeakerArrangement arrangement =
        speakerArrFromPortType(info.port_type, info.channel_count);
    if (isInput) {
        const bool main = (info.flags & CLAP_AUDIO_PORT_IS_MAIN) != 0;
        addAudioInput(name, arrangement, main ? kMain : kAux, BusInfo::kDefaultActive);
    } else {
        addAudioOutput(name, arrangement, kMain, BusInfo::kDefaultActive);
    }
}

void ClapAsVst3::setupMIDIBusses(const clap_plugin_t* clapPlugin,
                                 const clap_plugin_note_ports_t* notePorts) {
    if (notePorts == nullptr) {
        return;
    }
    const uint32_t inputs = notePorts->count(clapPlugin, true);
    const uint32_t outputs = notePorts->count(clapPlugin, false);
    for (const bool isInput : {true, false}) {
        for (uint32_t i = 0; i < (isInput ? inputs : outputs); ++i) {
            clap_note_port_info_t info{};
            if (notePorts->get(clapPlugin, i, isInput, &info)) {
                addMIDIBusFrom(clapPlugin, info, i, isInput);
            }
        }
    }
}

void ClapAsVst3::addMIDIBusFrom(const clap_plugin_t* clapPlugin,
                                const clap_note_port_info_t& info, uint32_t index,
                                bool isInput) {
    if ((info.supported_dialects & (CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI)) == 0) {
        return;
    }
    int32 channels = 16;
    if (vst3PluginInfo != nullptr && vst3PluginInfo->get_num_midi_channels != nullptr) {
        channels = asChannelCount(vst3PluginInfo->get_num_midi_channels(clapPlugin, index));
    }
    TChar name[256];
    toUtf16(nameOf(info.name), name);
    if (isInput) {
        addEventInput(name, channels, kMain, BusInfo::kDefaultActive);
    } else {
        addEventOutput(name, channels, kMain, BusInfo::kDefaultActive);
    }
}

void ClapAsVst3::setupParameters(const clap_plugin_t* clapPlugin,
                                 const clap_plugin_params_t* params) {
    unitMap.clear();
    units.clear();
    addUnit(new Unit(u"Root", kRootUnitId, kNoParentUnitId, kNoProgramListId));

    const uint32_t count = params->count(clapPlugin);
    parameters.removeAll();
    // Room for the count the plug-in gives, within reason: the list still grows past it.
    parameters.init(static_cast<int32>(std::min<uint32_t>(count, 1u << 16)), 100);
    const auto unitOf = [this](const char* path) { return getOrCreateUnitInfo(path); };
    for (uint32_t i = 0; i < count; ++i) {
        clap_param_info_t info{};
        if (params->get_info(clapPlugin, i, &info)) {
            Vst3Parameter* parameter = Vst3Parameter::create(info, unitOf);
            parameter->clapIndex = static_cast<int32>(i);
            parameters.addParameter(parameter);
        }
    }

    if (supportsMidiDialect) {
        midiChannelUnits.clear();
        ParamID next = firstMidiMappingId;
        // The next id no plug-in parameter holds.
        const auto freeId = [&] {
            while (parameters.getParameter(next) != nullptr) {
                ++next;
                midiMappingIdsContiguous = false;
            }
            return next;
        };
        for (uint8_t channel = 0; channel < midiChannels; ++channel) {
            const auto unit = static_cast<UnitID>(units.size());
            for (uint8_t controller = 0; controller < mappedControllers; ++controller) {
                Vst3Parameter* parameter = Vst3Parameter::create(0, channel, controller, freeId());
                parameter->setUnitID(unit);
                parameters.addParameter(parameter);
                midiMappingTable[channel][controller] = next++;
            }
            Vst3Parameter* programChange =
                Vst3Parameter::create(0, channel, Vst3Parameter::programChange, freeId());
            programChange->setUnitID(unit);
            parameters.addParameter(programChange);
            midiChannelUnits.push_back(unit);

            // The channel's program changes, listed under the program-change parameter's id.
            auto* programs = new ProgramList(u"Program Changes", next, unit);
            for (int program = 1; program <= 128; ++program) {
                String128 name;
                toUtf16("Program " + std::to_string(program), name);
                programs->addProgram(name);
            }
            addProgramList(programs);

            String128 name;
            toUtf16("MIDI Channel " + std::to_string(channel + 1), name);
            addUnit(new Unit(name, unit, kRootUnitId, next));
            ++next;
        }
    }

    noteExpressions.removeAll();
    for (const NoteExpressionRow& row : noteExpressionRows) {
        if ((noteExpressionMask & row.bit) != 0) {
            noteExpressions.addNoteExpressionType(new NoteExpressionType(
                row.type, row.title, row.shortTitle, u"", 0, nullptr, 0));
        }
    }
}

UnitID ClapAsVst3::getOrCreateUnitInfo(const char* modulePath) {
    if (modulePath == nullptr) {
        return kRootUnitId;
    }
    std::string_view path(modulePath);
    if (const auto found = unitMap.find(std::string(path)); found != unitMap.end()) {
        return found->second;
    }
    path.remove_prefix(std::min(path.find_first_not_of('/'), path.size()));

    // Each piece is found again by the path that leads to it, so equal names under different
    // parents are different units.
    UnitID parent = kRootUnitId;
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string_view piece = path.substr(start, slash - start);
        const std::string key(path.substr(0, slash));
        start = slash + 1;
        if (const auto found = unitMap.find(key); found != unitMap.end()) {
            parent = found->second;
            continue;
        }
        if (!convertible(piece)) {
            continue;
        }
        String128 name;
        toUtf16(piece, name);
        const auto id = static_cast<UnitID>(units.size());
        addUnit(new Unit(name, id, parent, kNoProgramListId));
        unitMap.emplace(key, id);
        parent = id;
    }
    return parent;
}
