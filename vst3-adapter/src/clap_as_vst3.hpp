#pragma once

// The one VST3 object a host gets for each instance: component and edit controller in one,
// owning one CLAP instance through Clap::Plugin and translating between the two. Its VST3 side
// (buses, parameters, units, MIDI-mapping parameters, program lists, note-expression types) is
// built from what the plug-in declares while Clap::Plugin::initialize runs.
// Threads: the host's main thread, except `process` on the audio thread. Reference counted; the
// creator holds the first reference.

#include "clap/host.hpp"
#include "context_menu_item.hpp"
#include "host_run_loop.hpp"
#include "os/idle.hpp"
#include "sdk/ara_interfaces.hpp"
#include "sdk/note_expression_types.hpp"
#include "sdk/single_component_effect.hpp"
#include "shared/fixedqueue.hpp"
#include "shared/spin_lock.hpp"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstchannelcontextinfo.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstnoteexpression.h"
#include "pslextensions/ipslgainreduction.h"

#include <clap/events.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/context-menu.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/track-info.h>
#include <clap/plugin-info-as-vst3.h>
#include <clap/plugin.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace Clap {
class Library;
class Plugin;
class ProcessAdapter;
}  // namespace Clap

class WrappedView;

class ClapAsVst3 : public Steinberg::Vst::SingleComponentEffect,
                   public Steinberg::Vst::IMidiMapping,
                   public Steinberg::Vst::INoteExpressionController,
                   public Steinberg::Vst::IContextMenuTarget,
                   public Steinberg::Vst::ChannelContext::IInfoListener,
                   public ARA::IPlugInEntryPoint,
                   public ARA::IPlugInEntryPoint2,
                   public Presonus::IGainReductionInfo,
                   public Clap::IHost,
                   public Clap::IAutomation,
                   public os::IPlugObject {
public:
    using tresult = Steinberg::tresult;
    using TBool = Steinberg::TBool;
    using IBStream = Steinberg::IBStream;

    // MIDI channels with MIDI-mapping parameters, and the controllers mapped per channel:
    // control changes 0-127, channel pressure (128) and pitch bend (129).
    static constexpr std::size_t mappedChannels = 16;
    static constexpr std::size_t mappedControllers = 130;
    // The first id given to a MIDI-mapping parameter.
    static constexpr Steinberg::Vst::ParamID firstMidiMappingId = 0xb00000;
    // Gesture and value events that can wait between two idle ticks, plus the free slot.
    static constexpr std::size_t eventQueueSize = 8192;

    ClapAsVst3(Clap::Library* library, int index, void* creationContext);
    // Ends what `terminate` would have ended when the host never called it.
    ~ClapAsVst3() override;

    // The create function the module's class factory registers for every class; `context` is
    // the class's creation context. An audio module is a new ClapAsVst3 over the context's
    // library and index, handed over as its IAudioProcessor with the creation reference.
    static Steinberg::FUnknown* createInstance(void* context);

    // Building the VST3 side, called by Clap::Plugin::initialize in this order; the last three
    // only when the plug-in has the extension they take.
    void setupWrapperSpecifics(const clap_plugin_t* clapPlugin) override;
    void setupAudioBusses(const clap_plugin_t* clapPlugin,
                          const clap_plugin_audio_ports_t* audioPorts) override;
    void setupMIDIBusses(const clap_plugin_t* clapPlugin,
                         const clap_plugin_note_ports_t* notePorts) override;
    void setupParameters(const clap_plugin_t* clapPlugin,
                         const clap_plugin_params_t* params) override;

    // The VST3 speaker arrangement of a CLAP audio port: by its type when it names one (mono,
    // stereo, else none), by its channel count when it names none (null or empty).
    static Steinberg::Vst::SpeakerArrangement speakerArrFromPortType(const char* portType,
                                                                      uint32_t channelCount);

    // Lifecycle and state
    tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    tresult PLUGIN_API terminate() override;
    tresult PLUGIN_API setActive(TBool state) override;
    tresult PLUGIN_API setProcessing(TBool state) override;
    tresult PLUGIN_API setComponentState(IBStream* state) override;
    tresult PLUGIN_API setComponentHandler(Steinberg::Vst::IComponentHandler* handler) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;
    // One reference count for every interface.
    Steinberg::uint32 PLUGIN_API addRef() override { return SingleComponentEffect::addRef(); }
    Steinberg::uint32 PLUGIN_API release() override { return SingleComponentEffect::release(); }

    // Processing and buses
    tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;
    tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                          Steinberg::int32 numIns,
                                          Steinberg::Vst::SpeakerArrangement* outputs,
                                          Steinberg::int32 numOuts) override;
    tresult PLUGIN_API getBusInfo(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir,
                                  Steinberg::int32 index, Steinberg::Vst::BusInfo& info) override;
    Steinberg::uint32 PLUGIN_API getLatencySamples() override;
    Steinberg::uint32 PLUGIN_API getTailSamples() override;
    // Tempo, time signature, musical and bar position, cycle and transport state.
    Steinberg::uint32 PLUGIN_API getProcessContextRequirements() override;

    // Main-thread services
    void param_rescan(clap_param_rescan_flags flags) override;
    void param_clear(clap_id param, clap_param_clear_flags flags) override;
    void param_request_flush() override;
    bool gui_can_resize() override;
    bool gui_request_resize(uint32_t width, uint32_t height) override;
    bool gui_request_show() override;
    bool gui_request_hide() override;
    void latency_changed() override;
    void tail_changed() override;
    void mark_dirty() override;
    void restartPlugin() override;
    void request_callback() override;
    bool track_info_get(clap_track_info_t* info) override;
    // The plug-in's timers and file descriptors, served by the host's run loop (`runLoop`).
    bool register_timer(uint32_t periodMs, clap_id* timerId) override;
    bool unregister_timer(clap_id timerId) override;
    bool register_fd(int fd, clap_posix_fd_flags_t flags) override;
    bool modify_fd(int fd, clap_posix_fd_flags_t flags) override;
    bool unregister_fd(int fd) override;
    const char* host_get_name() override;
    void onBeginEdit(clap_id id) override;
    void onPerformEdit(const clap_event_param_value_t* value) override;
    void onEndEdit(clap_id id) override;
    // The main-thread tick: queued edits to the host, the dropped host events to the log, then
    // the parameter flush, the plug-in's main-thread callback, a component restart and a resize
    // of the editor.
    void onIdle() override;

    // MIDI mapping, note expressions, units, texts, context menus
    tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    tresult PLUGIN_API getMidiControllerAssignment(Steinberg::int32 busIndex,
                                                   Steinberg::int16 channel,
                                                   Steinberg::Vst::CtrlNumber midiControllerNumber,
                                                   Steinberg::Vst::ParamID& id) override;
    tresult PLUGIN_API setChannelContextInfos(Steinberg::Vst::IAttributeList* list) override;
    Steinberg::int32 PLUGIN_API getNoteExpressionCount(Steinberg::int32 busIndex,
                                                       Steinberg::int16 channel) override;
    tresult PLUGIN_API getNoteExpressionInfo(Steinberg::int32 busIndex, Steinberg::int16 channel,
                                             Steinberg::int32 noteExpressionIndex,
                                             Steinberg::Vst::NoteExpressionTypeInfo& info) override;
    tresult PLUGIN_API getNoteExpressionStringByValue(
        Steinberg::int32 busIndex, Steinberg::int16 channel, Steinberg::Vst::NoteExpressionTypeID id,
        Steinberg::Vst::NoteExpressionValue valueNormalized,
        Steinberg::Vst::String128 string) override;
    tresult PLUGIN_API getNoteExpressionValueByString(
        Steinberg::int32 busIndex, Steinberg::int16 channel, Steinberg::Vst::NoteExpressionTypeID id,
        const Steinberg::Vst::TChar* string,
        Steinberg::Vst::NoteExpressionValue& valueNormalized) override;
    tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                    Steinberg::Vst::BusDirection dir, Steinberg::int32 busIndex,
                                    Steinberg::int32 channel,
                                    Steinberg::Vst::UnitID& unitId) override;
    tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID id,
                                             Steinberg::Vst::ParamValue valueNormalized,
                                             Steinberg::Vst::String128 string) override;
    tresult PLUGIN_API getParamValueByString(Steinberg::Vst::ParamID id,
                                             Steinberg::Vst::TChar* string,
                                             Steinberg::Vst::ParamValue& valueNormalized) override;
    tresult PLUGIN_API executeMenuItem(Steinberg::int32 tag) override;
    const ARA::ARAFactory* PLUGIN_API getFactory() override;
    const ARA::ARAPlugInExtensionInstance* PLUGIN_API
    bindToDocumentController(ARA::ARADocumentControllerRef documentControllerRef) override;
    const ARA::ARAPlugInExtensionInstance* PLUGIN_API bindToDocumentControllerWithRoles(
        ARA::ARADocumentControllerRef documentControllerRef,
        ARA::ARAPlugInInstanceRoleFlags knownRoles,
        ARA::ARAPlugInInstanceRoleFlags assignedRoles) override;
    double PLUGIN_API getGainReductionValueInDb() override;
    // The plug-in's side of the host's context menus: it may put the host's items for the whole
    // plug-in or for one parameter into its own menu, and perform them. The adapter itself never
    // shows a menu.
    bool supportsContextMenu() const override;
    bool context_menu_populate(const clap_context_menu_target_t* target,
                               const clap_context_menu_builder_t* builder) override;
    bool context_menu_perform(const clap_context_menu_target_t* target,
                              clap_id actionId) override;
    bool context_menu_can_popup() override;
    bool context_menu_popup(const clap_context_menu_target_t* target, int32_t screenIndex,
                            int32_t x, int32_t y) override;

    OBJ_METHODS(ClapAsVst3, SingleComponentEffect)

    // One gesture or value the plug-in reported, on its way from the audio thread to the host.
    struct queueEvent {
        enum Type : int32_t { begin = 0, value = 1, end = 2 };
        int32_t type = begin;
        union {
            clap_id id;
            clap_event_param_value_t value;
        } payload;

        static queueEvent beginEvent(clap_id id) { return idEvent(begin, id); }
        static queueEvent valueEvent(const clap_event_param_value_t* value) {
            queueEvent event = zeroed(queueEvent::value);
            event.payload.value = *value;
            return event;
        }
        static queueEvent endEvent(clap_id id) { return idEvent(end, id); }

    private:
        static queueEvent zeroed(Type type) {
            queueEvent event;
            event.payload.value = {};
            event.type = type;
            return event;
        }
        static queueEvent idEvent(Type type, clap_id id) {
            queueEvent event = zeroed(type);
            event.payload.id = id;
            return event;
        }
    };

    // A timer the plug-in registered, fired by the host's run loop every `period` ms; a slot
    // with period 0 is free for the next registration.
    struct TimerObject {
        uint32_t period = 0;
        clap_id id = 0;
    };

protected:
    // Lifecycle and state: the component's state slots carry the plug-in's state; the
    // controller's answer kNotImplemented (the component holds all of it).
    tresult componentGetState(IBStream* state) override;
    tresult componentSetState(IBStream* state) override;
    // Copies the plug-in's parameter values into the VST3 parameters, without telling the host.
    void syncParameterValuesFromClap();
    // Drops the mirrored host context menu and its items.
    void clearContextMenu();
    // Main-thread services: hands every queued gesture and value to the host, in order.
    void deliverQueuedEdits();
    // The host's loop found a watched fd ready, or a timer due: the plug-in hears of it.
    void fdReady(int fd, clap_posix_fd_flags_t flags);
    void timerDue(clap_id id);
    // Ends processing, activation, the idle attachment, the editor view and the mirrored menu,
    // then destroys the instance (nothing of this when there is none), and takes whatever is
    // left on the host's run loop back (`terminate`, or the destructor when the host never
    // called it).
    void shutDown();
    // Stops the plug-in's processing when it runs; the caller holds `processingMutex`.
    void stopProcessing();
    // Logs how many of the host's events the blocks since the last call had no room for.
    void logDroppedEvents();

    // Whether some input note port of the plug-in takes the MIDI dialect; asks the note-ports
    // extension that `plugin` found (false while there is no `plugin`).
    bool checkMIDIDialectSupport();
    void addAudioBusFrom(const clap_audio_port_info_t& info, bool isInput);
    void addMIDIBusFrom(const clap_plugin_t* clapPlugin, const clap_note_port_info_t& info,
                        uint32_t index, bool isInput);
    // The unit for a parameter's module path ("a/b"), made with its parents when new.
    Steinberg::Vst::UnitID getOrCreateUnitInfo(const char* modulePath);

    // Members. Main thread unless said otherwise.
    Steinberg::IPtr<Steinberg::Vst::IComponentHandler3> componentHandler3;
    Steinberg::IPtr<Steinberg::Vst::IContextMenu> contextMenu;
    Steinberg::IPtr<Steinberg::Vst::IHostApplication> hostApplication;
    // The name the plug-in is given as its host's.
    std::string hostName = "DOVO-Do-ROZ3-Iruvuzu";
    std::vector<wrapper_context_menu_item> contextMenuItems;
    Steinberg::Vst::ParamID contextMenuParamId = 0;
    // VST3 ids with an open plug-in gesture (the process adapter opens and closes them).
    std::vector<uint32_t> openGestures;
    // Units by the module path that leads to them, each piece joined by "/" ("a", "a/b").
    std::map<std::string, Steinberg::Vst::UnitID> unitMap;
    Clap::Library* library;
    int libraryIndex;
    std::shared_ptr<Clap::Plugin> plugin;
    const clap_plugin_as_vst3_t* vst3PluginInfo = nullptr;
    // Exists from activation to deactivation.
    std::unique_ptr<Clap::ProcessAdapter> processAdapter;
    // The host holds the view; its destroy callback clears this pointer.
    WrappedView* wrappedView = nullptr;
    void* creationContext;
    std::optional<clap_track_info_t> trackInfo;
    // Read by `process` on the audio thread.
    std::atomic<bool> active{false};
    // On while active: the idle timer calls `onIdle`.
    os::State idleAttachment;
    // Read by `process` on the audio thread.
    std::atomic<bool> processing{false};
    // Set by every `process` (audio thread), cleared when processing stops.
    std::atomic<bool> processCalled{false};
    // Serialises `setProcessing` and the idle-time flush.
    std::mutex processingMutex;
    // Requests from any thread, carried out by `onIdle`.
    std::atomic<bool> requestFlush{false};
    // Held around every `process` (audio thread) and the idle-time flush.
    Vst3Adapter::detail::shared::SpinLock processLock;
    std::atomic<bool> requestCallback{false};
    std::atomic<bool> requestRestart{false};
    bool latencyReportPending = false;
    // width << 16 | height, or `noResize`.
    static constexpr uint32_t noResize = 0xFFFFFFFF;
    std::atomic<uint32_t> pendingResize{noResize};
    // Pushed by the audio thread (or the main thread while no block runs), popped by `onIdle`.
    Vst3Adapter::detail::shared::fixedqueue<queueEvent, eventQueueSize> eventQueue;
    bool paramsRescanned = false;
    bool supportsMidiDialect = false;
    // The MIDI-mapping parameter of each channel and controller; 0 where there is none.
    std::array<std::array<Steinberg::Vst::ParamID, mappedControllers>, mappedChannels>
        midiMappingTable{};
    // False once a MIDI-mapping id had to skip one a plug-in parameter already took.
    bool midiMappingIdsContiguous = true;
    // MIDI channels that get MIDI-mapping parameters, at most `mappedChannels`.
    uint8_t midiChannels = mappedChannels;
    // The last maximum block size `setupProcessing` was given.
    uint32_t largestBlockSize = 0;
    std::vector<TimerObject> timers;
    // The host's run loop: the plug-in's timers and fds, and the idle timer while it is known.
    HostRunLoop runLoop;
    Steinberg::Vst::NoteExpressionTypeContainer noteExpressions;
    // The note expressions the plug-in takes (bit 0x04 tuning, 0x40 poly pressure, ...).
    uint32_t noteExpressionMask = 0x40;
    // The unit of each MIDI channel's MIDI-mapping parameters.
    std::vector<Steinberg::Vst::UnitID> midiChannelUnits;
};
