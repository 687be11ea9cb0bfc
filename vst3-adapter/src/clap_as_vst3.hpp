#pragma once

// The one VST3 object a host gets for each instance: component and edit controller in one,
// owning one CLAP instance through Clap::Plugin and translating between the two. Its VST3 side
// (buses, parameters, units, MIDI-mapping parameters, program lists, note-expression types) is
// built from what the plug-in declares while Clap::Plugin::initialize runs.
// Threads: the host's main thread, except `process` on the audio thread. Reference counted; the
// creator holds the first reference.

#include "sdk/note_expression_types.hpp"
#include "sdk/single_component_effect.hpp"

#include <clap/ext/audio-ports.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/plugin-info-as-vst3.h>
#include <clap/plugin.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Clap {
class Library;
class Plugin;
}  // namespace Clap

class ClapAsVst3 : public Steinberg::Vst::SingleComponentEffect {
public:
    // MIDI channels with MIDI-mapping parameters, and the controllers mapped per channel:
    // control changes 0-127, channel pressure (128) and pitch bend (129).
    static constexpr std::size_t mappedChannels = 16;
    static constexpr std::size_t mappedControllers = 130;
    // The first id given to a MIDI-mapping parameter.
    static constexpr Steinberg::Vst::ParamID firstMidiMappingId = 0xb00000;

    ClapAsVst3(Clap::Library* library, int index, void* creationContext);

    // The create function the module's class factory registers for every class; `context` is
    // the class's creation context. An audio module is a new ClapAsVst3 over the context's
    // library and index, handed over as its IAudioProcessor with the creation reference.
    static Steinberg::FUnknown* createInstance(void* context);

    // Building the VST3 side, called by Clap::Plugin::initialize in this order; the last three
    // only when the plug-in has the extension they take.
    void setupWrapperSpecifics(const clap_plugin_t* clapPlugin);
    void setupAudioBusses(const clap_plugin_t* clapPlugin,
                          const clap_plugin_audio_ports_t* audioPorts);
    void setupMIDIBusses(const clap_plugin_t* clapPlugin,
                         const clap_plugin_note_ports_t* notePorts);
    void setupParameters(const clap_plugin_t* clapPlugin, const clap_plugin_params_t* params);

    // The VST3 speaker arrangement of a CLAP audio port: by its type when it names one (mono,
    // stereo, else none), by its channel count when it names none (null or empty).
    static Steinberg::Vst::SpeakerArrangement speakerArrFromPortType(const char* portType,
                                                                      uint32_t channelCount);

    OBJ_METHODS(ClapAsVst3, SingleComponentEffect)

protected:
    // Whether some input note port of the plug-in takes the MIDI dialect; asks the note-ports
    // extension that `plugin` found (false while there is no `plugin`).
    bool checkMIDIDialectSupport();
    void addAudioBusFrom(const clap_audio_port_info_t& info, bool isInput);
    void addMIDIBusFrom(const clap_plugin_t* clapPlugin, const clap_note_port_info_t& info,
                        uint32_t index, bool isInput);
    // The unit for a parameter's module path ("a/b"), made with its parents when new.
    Steinberg::Vst::UnitID getOrCreateUnitInfo(const char* modulePath);

    // Units by the module path that leads to them, each piece joined by "/" ("a", "a/b").
    std::map<std::string, Steinberg::Vst::UnitID> unitMap;
    Clap::Library* library;
    int libraryIndex;
    std::shared_ptr<Clap::Plugin> plugin;
    const clap_plugin_as_vst3_t* vst3PluginInfo = nullptr;
    void* creationContext;
    bool supportsMidiDialect = false;
    // The MIDI-mapping parameter of each channel and controller; 0 where there is none.
    std::array<std::array<Steinberg::Vst::ParamID, mappedControllers>, mappedChannels>
        midiMappingTable{};
    // False once a MIDI-mapping id had to skip one a plug-in parameter already took.
    bool midiMappingIdsContiguous = true;
    // MIDI channels that get MIDI-mapping parameters, at most `mappedChannels`.
    uint8_t midiChannels = mappedChannels;
    Steinberg::Vst::NoteExpressionTypeContainer noteExpressions;
    // The note expressions the plug-in takes (bit 0x04 tuning, 0x40 poly pressure, ...).
    uint32_t noteExpressionMask = 0x40;
    // The unit of each MIDI channel's MIDI-mapping parameters.
    std::vector<Steinberg::Vst::UnitID> midiChannelUnits;
};
