#pragma once

// The one VST3 object a host gets for each instance: component and edit controller in one,
// owning one CLAP instance through Clap::Plugin and translating between the two. Its VST3 side
// (buses, parameters, units, MIDI-mapping parameters, program lists, note-expression types) is
// built from what the plug-in declares while Clap::Plugin::initialize runs.
// Threads: the host's main thread, except `process` on the audio thread. Reference counted; the
// creator holds the first reference.

#include "context_menu_item.hpp"
#include "sdk/ara_interfaces.hpp"
#include "sdk/note_expression_types.hpp"
#include "sdk/single_component_effect.hpp"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstattributes.h"
#include "pluginterfaces/vst/ivstchannelcontextinfo.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstnoteexpression.h"

#include <clap/ext/audio-ports.h>
#include <clap/ext/context-menu.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/track-info.h>
#include <clap/plugin-info-as-vst3.h>
#include <clap/plugin.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Clap {
class Library;
class Plugin;
}  // namespace Clap

class WrappedView;

class ClapAsVst3 : public Steinberg::Vst::SingleComponentEffect {
public:
    // MIDI channels with MIDI-mapping parameters, and the controllers mapped per channel:
    // control changes 0-127, channel pressure (128) and pitch bend (129).
    static constexpr std::size_t mappedChannels = 16;
    static constexpr std::size_t mappedControllers = 130;
    // The first id given to a MIDI-mapping parameter.
    static constexpr Steinberg::Vst::ParamID firstMidiMappingId = 0xb00000;

    ClapAsVst3(Clap::Library* library, int index, void* creationContext);

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

    // MIDI mapping, note expressions, units, texts, context menus
    Steinberg::tresult PLUGIN_API getMidiControllerAssignment(Steinberg::int32 busIndex,
                                                              Steinberg::int16 channel,
                                                              Steinberg::Vst::CtrlNumber controller,
                                                              Steinberg::Vst::ParamID& id);
    Steinberg::int32 PLUGIN_API getNoteExpressionCount(Steinberg::int32 busIndex,
                                                       Steinberg::int16 channel);
    Steinberg::tresult PLUGIN_API getNoteExpressionInfo(
        Steinberg::int32 busIndex, Steinberg::int16 channel, Steinberg::int32 index,
        Steinberg::Vst::NoteExpressionTypeInfo& info);
    Steinberg::tresult PLUGIN_API getNoteExpressionStringByValue(
        Steinberg::int32 busIndex, Steinberg::int16 channel, Steinberg::Vst::NoteExpressionTypeID id,
        Steinberg::Vst::NoteExpressionValue valueNormalized, Steinberg::Vst::String128 string);
    Steinberg::tresult PLUGIN_API getNoteExpressionValueByString(
        Steinberg::int32 busIndex, Steinberg::int16 channel, Steinberg::Vst::NoteExpressionTypeID id,
        const Steinberg::Vst::TChar* string, Steinberg::Vst::NoteExpressionValue& valueNormalized);
    Steinberg::tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                               Steinberg::Vst::BusDirection dir,
                                               Steinberg::int32 busIndex, Steinberg::int32 channel,
                                               Steinberg::Vst::UnitID& unitId) override;
    Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID id,
                                                        Steinberg::Vst::ParamValue valueNormalized,
                                                        Steinberg::Vst::String128 string) override;
    Steinberg::tresult PLUGIN_API getParamValueByString(
        Steinberg::Vst::ParamID id, Steinberg::Vst::TChar* string,
        Steinberg::Vst::ParamValue& valueNormalized) override;
    Steinberg::tresult PLUGIN_API executeMenuItem(Steinberg::int32 tag);
    Steinberg::tresult PLUGIN_API setChannelContextInfos(Steinberg::Vst::IAttributeList* list);
    double PLUGIN_API getGainReductionValueInDb();
    const ARA::ARAFactory* PLUGIN_API getFactory();
    const ARA::ARAPlugInExtensionInstance* PLUGIN_API
    bindToDocumentController(ARA::ARADocumentControllerRef documentControllerRef);
    const ARA::ARAPlugInExtensionInstance* PLUGIN_API bindToDocumentControllerWithRoles(
        ARA::ARADocumentControllerRef documentControllerRef,
        ARA::ARAPlugInInstanceRoleFlags knownRoles, ARA::ARAPlugInInstanceRoleFlags assignedRoles);
    // The plug-in's side of the host's context menus: it may put the host's items for the whole
    // plug-in or for one parameter into its own menu, and perform them. The adapter itself never
    // shows a menu.
    bool supportsContextMenu() const;
    bool context_menu_populate(const clap_context_menu_target_t* target,
                               const clap_context_menu_builder_t* builder);
    bool context_menu_perform(const clap_context_menu_target_t* target, clap_id actionId);
    bool context_menu_can_popup();
    bool context_menu_popup(const clap_context_menu_target_t* target, int32_t screenIndex,
                            int32_t x, int32_t y);

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

    Steinberg::IPtr<Steinberg::Vst::IComponentHandler3> componentHandler3;
    Steinberg::IPtr<Steinberg::Vst::IContextMenu> contextMenu;
    std::vector<wrapper_context_menu_item> contextMenuItems;
    Steinberg::Vst::ParamID contextMenuParamId = 0;
    WrappedView* wrappedView = nullptr;
    std::optional<clap_track_info_t> trackInfo;
    void clearContextMenu();
};
