#pragma once

// Fakes for driving ClapAsVst3 as a host does: a CLAP plug-in with the extensions a test turns
// on, which asks its host for services as a plug-in would and records what it is asked; the
// host's component handler, application and editor frame, recording their calls; and one
// block's buffers. Thread: the plug-in's records are locked, since process runs on an audio
// thread in the concurrency test; everything else is the test's thread. Owner: the test.

#include "clap_as_vst3.hpp"

#include "clap/library.hpp"
#include "fake_clap_plugin.hpp"
#include "process/host_fakes.hpp"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"

#include <clap/clap.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace component_testing {

using namespace Steinberg;
using namespace Steinberg::Vst;
using process_testing::Unreferenced;
using Calls = std::vector<std::string>;

// One parameter event the plug-in sends from its process or flush.
struct ParamEvent {
    uint16_t type;  // CLAP_EVENT_PARAM_GESTURE_BEGIN, _END or CLAP_EVENT_PARAM_VALUE
    clap_id id;
    double value = 0;
};

inline clap_audio_port_info_t audioPort(uint32_t channels, const char* type, uint32_t flags = 0,
                                        const char* name = "main") {
    clap_audio_port_info_t info{};
    info.id = 1;
    std::snprintf(info.name, sizeof info.name, "%s", name);
    info.flags = flags;
    info.channel_count = channels;
    info.port_type = type;
    info.in_place_pair = CLAP_INVALID_ID;
    return info;
}

class FakePlugin : public clap_as_vst3_testing::FakeClapPlugin {
public:
    // What it offers. Audio ports as our plug-in has them: no input, one stereo output.
    std::vector<clap_audio_port_info_t> audioInputs;
    std::vector<clap_audio_port_info_t> audioOutputs{audioPort(2, CLAP_PORT_STEREO,
                                                               CLAP_AUDIO_PORT_IS_MAIN)};
    bool withConfigurablePorts = false;
    bool acceptsConfiguration = true;
    bool withRender = false;
    bool hardRealtime = false;
    bool withLatency = false;
    uint32_t latency = 0;
    bool withTail = false;
    uint32_t tail = 0;
    bool withTimers = false;
    bool withFds = false;
    bool withGui = false;
    // Parameters; the params extension exists when there is one.
    std::vector<clap_param_info_t> params;
    // Sent by the next process (or flush, when `flushSends`), then cleared.
    std::vector<ParamEvent> toSend;
    // Sent by every process.
    std::vector<ParamEvent> everyBlock;
    bool flushSends = false;
    // Runs inside on_timer, with the timer's id.
    std::function<void(clap_id)> onTimer;
    // Runs inside on_fd, with the fd and its flags.
    std::function<void(int, clap_posix_fd_flags_t)> onFd;
    // Runs inside the gui's set_parent and destroy, as an editor starts and ends its work.
    std::function<void(const clap_window_t*)> onSetParent;
    std::function<void()> onGuiDestroy;

    FakePlugin() : FakeClapPlugin("test.services", "Services") {
        setUpPlugin();
        setUpExtensions();
    }

    // The calls since the last look.
    Calls take() {
        const std::lock_guard<std::mutex> guard(lock);
        return std::exchange(calls, {});
    }
    void note(std::string call) {
        const std::lock_guard<std::mutex> guard(lock);
        calls.push_back(std::move(call));
    }

    // What the plug-in asks of its host, through the host's record.
    template <class Extension>
    const Extension* hostExtension(const char* id) const {
        return static_cast<const Extension*>(host->get_extension(host, id));
    }
    void requestCallback() const { host->request_callback(host); }
    void requestRestart() const { host->request_restart(host); }
    void requestFlush() const {
        hostExtension<clap_host_params_t>(CLAP_EXT_PARAMS)->request_flush(host);
    }
    void rescan(clap_param_rescan_flags flags) const {
        hostExtension<clap_host_params_t>(CLAP_EXT_PARAMS)->rescan(host, flags);
    }
    bool registerTimer(uint32_t period, clap_id* id) const {
        return hostExtension<clap_host_timer_support_t>(CLAP_EXT_TIMER_SUPPORT)
            ->register_timer(host, period, id);
    }
    bool unregisterTimer(clap_id id) const {
        return hostExtension<clap_host_timer_support_t>(CLAP_EXT_TIMER_SUPPORT)
            ->unregister_timer(host, id);
    }
    bool requestResize(uint32_t width, uint32_t height) const {
        return hostExtension<clap_host_gui_t>(CLAP_EXT_GUI)->request_resize(host, width, height);
    }
    bool registerFd(int fd, clap_posix_fd_flags_t flags) const {
        return hostExtension<clap_host_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT)
            ->register_fd(host, fd, flags);
    }
    bool modifyFd(int fd, clap_posix_fd_flags_t flags) const {
        return hostExtension<clap_host_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT)
            ->modify_fd(host, fd, flags);
    }
    bool unregisterFd(int fd) const {
        return hostExtension<clap_host_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT)
            ->unregister_fd(host, fd);
    }

private:
    static FakePlugin& of(const clap_plugin_t* p) { return FakeClapPlugin::of<FakePlugin>(p); }

    void send(const clap_output_events_t* out) { send(out, std::exchange(toSend, {})); }
    void send(const clap_output_events_t* out, const std::vector<ParamEvent>& events) {
        for (const ParamEvent& event : events) {
            if (event.type == CLAP_EVENT_PARAM_VALUE) {
                clap_event_param_value_t value{};
                value.header = {sizeof value, 0, CLAP_CORE_EVENT_SPACE_ID, event.type, 0};
                value.param_id = event.id;
                value.note_id = -1;
                value.port_index = -1;
                value.channel = -1;
                value.key = -1;
                value.value = event.value;
                out->try_push(out, &value.header);
            } else {
                clap_event_param_gesture_t gesture{};
                gesture.header = {sizeof gesture, 0, CLAP_CORE_EVENT_SPACE_ID, event.type, 0};
                gesture.param_id = event.id;
                out->try_push(out, &gesture.header);
            }
        }
    }

    void setUpPlugin() {
        plugin.activate = [](const clap_plugin_t* p, double rate, uint32_t min, uint32_t max) {
            of(p).note("activate " + std::to_string(static_cast<int>(rate)) + " " +
                       std::to_string(min) + " " + std::to_string(max));
            return true;
        };
        plugin.deactivate = [](const clap_plugin_t* p) { of(p).note("deactivate"); };
        plugin.start_processing = [](const clap_plugin_t*) { return true; };
        plugin.stop_processing = [](const clap_plugin_t*) {};
        plugin.reset = [](const clap_plugin_t*) {};
        plugin.process = [](const clap_plugin_t* p,
                            const clap_process_t* process) -> clap_process_status {
            of(p).note("process");
            of(p).send(process->out_events);
            of(p).send(process->out_events, of(p).everyBlock);
            return CLAP_PROCESS_CONTINUE;
        };
        plugin.on_main_thread = [](const clap_plugin_t* p) { of(p).note("on_main_thread"); };
        plugin.get_extension = [](const clap_plugin_t* p, const char* id) -> const void* {
            FakePlugin& fake = of(p);
            const std::string ext = id;
            if (ext == CLAP_EXT_AUDIO_PORTS) return &fake.audioPorts;
            if (ext == CLAP_EXT_CONFIGURABLE_AUDIO_PORTS && fake.withConfigurablePorts) {
                return &fake.configurable;
            }
            if (ext == CLAP_EXT_RENDER && fake.withRender) return &fake.render;
            if (ext == CLAP_EXT_LATENCY && fake.withLatency) return &fake.latencyTable;
            if (ext == CLAP_EXT_TAIL && fake.withTail) return &fake.tailTable;
            if (ext == CLAP_EXT_TIMER_SUPPORT && fake.withTimers) return &fake.timerSupport;
            if (ext == CLAP_EXT_POSIX_FD_SUPPORT && fake.withFds) return &fake.fdSupport;
            if (ext == CLAP_EXT_GUI && fake.withGui) return &fake.gui;
            if (ext == CLAP_EXT_PARAMS && !fake.params.empty()) return &fake.paramsTable;
            return nullptr;
        };
    }

    void setUpExtensions() {
        audioPorts.count = [](const clap_plugin_t* p, bool input) {
            return static_cast<uint32_t>((input ? of(p).audioInputs : of(p).audioOutputs).size());
        };
        audioPorts.get = [](const clap_plugin_t* p, uint32_t i, bool input,
                            clap_audio_port_info_t* info) {
            const auto& ports = input ? of(p).audioInputs : of(p).audioOutputs;
            if (i >= ports.size()) return false;
            *info = ports[i];
            return true;
        };
        configurable.can_apply_configuration = [](const clap_plugin_t*, const auto*, uint32_t) {
            return true;
        };
        configurable.apply_configuration =
            [](const clap_plugin_t* p, const clap_audio_port_configuration_request_t* requests,
               uint32_t count) {
                FakePlugin& fake = of(p);
                std::string call = "apply_configuration";
                for (uint32_t i = 0; i < count; ++i) {
                    const auto& r = requests[i];
                    call += std::string(r.is_input ? " in" : " out") + std::to_string(r.port_index) +
                            ":" + std::to_string(r.channel_count) + ":" +
                            (r.port_type ? r.port_type : "-");
                }
                fake.note(call);
                if (!fake.acceptsConfiguration) return false;
                // The ports become what was asked for.
                fake.audioInputs.clear();
                fake.audioOutputs.clear();
                for (uint32_t i = 0; i < count; ++i) {
                    const auto& r = requests[i];
                    (r.is_input ? fake.audioInputs : fake.audioOutputs)
                        .push_back(audioPort(r.channel_count, r.port_type));
                }
                return true;
            };
        render.has_hard_realtime_requirement = [](const clap_plugin_t* p) {
            return of(p).hardRealtime;
        };
        render.set = [](const clap_plugin_t* p, clap_plugin_render_mode mode) {
            of(p).note("render " + std::to_string(mode));
            return true;
        };
        latencyTable.get = [](const clap_plugin_t* p) { return of(p).latency; };
        tailTable.get = [](const clap_plugin_t* p) { return of(p).tail; };
        timerSupport.on_timer = [](const clap_plugin_t* p, clap_id id) {
            of(p).note("on_timer " + std::to_string(id));
            if (of(p).onTimer) of(p).onTimer(id);
        };
        fdSupport.on_fd = [](const clap_plugin_t* p, int fd, clap_posix_fd_flags_t flags) {
            of(p).note("on_fd " + std::to_string(fd) + " " + std::to_string(flags));
            if (of(p).onFd) of(p).onFd(fd, flags);
        };
        gui.is_api_supported = [](const clap_plugin_t*, const char*, bool) { return true; };
        gui.create = [](const clap_plugin_t*, const char*, bool) { return true; };
        gui.destroy = [](const clap_plugin_t* p) {
            if (of(p).onGuiDestroy) of(p).onGuiDestroy();
        };
        gui.set_parent = [](const clap_plugin_t* p, const clap_window_t* window) {
            of(p).note("set_parent " + std::string(window->api) + " " +
                       std::to_string(window->x11));
            if (of(p).onSetParent) of(p).onSetParent(window);
            return true;
        };
        gui.show = [](const clap_plugin_t*) { return true; };
        gui.can_resize = [](const clap_plugin_t*) { return true; };
        gui.get_size = [](const clap_plugin_t*, uint32_t* w, uint32_t* h) {
            *w = 100;
            *h = 50;
            return true;
        };
        paramsTable.count = [](const clap_plugin_t* p) {
            return static_cast<uint32_t>(of(p).params.size());
        };
        paramsTable.get_info = [](const clap_plugin_t* p, uint32_t i, clap_param_info_t* info) {
            if (i >= of(p).params.size()) return false;
            *info = of(p).params[i];
            return true;
        };
        paramsTable.get_value = [](const clap_plugin_t* p, clap_id id, double* value) {
            for (const auto& info : of(p).params) {
                if (info.id == id) {
                    *value = info.default_value;
                    return true;
                }
            }
            return false;
        };
        paramsTable.flush = [](const clap_plugin_t* p, const clap_input_events_t*,
                               const clap_output_events_t* out) {
            of(p).note("flush");
            if (of(p).flushSends) of(p).send(out);
        };
    }

    std::mutex lock;
    Calls calls;
    clap_plugin_audio_ports_t audioPorts{};
    clap_plugin_configurable_audio_ports_t configurable{};
    clap_plugin_render_t render{};
    clap_plugin_latency_t latencyTable{};
    clap_plugin_tail_t tailTable{};
    clap_plugin_timer_support_t timerSupport{};
    clap_plugin_posix_fd_support_t fdSupport{};
    clap_plugin_gui_t gui{};
    clap_plugin_params_t paramsTable{};
};

inline clap_param_info_t parameter(clap_id id, const char* name) {
    clap_param_info_t info{};
    info.id = id;
    std::snprintf(info.name, sizeof info.name, "%s", name);
    info.max_value = 1;
    info.flags = CLAP_PARAM_IS_AUTOMATABLE;
    return info;
}

// The host's component handler, with IComponentHandler2 unless told otherwise. Its calls go to
// `log` instead when one is given, to be seen in order with the plug-in's.
class ComponentHandler : public Unreferenced<IComponentHandler>, public IComponentHandler2 {
public:
    bool withHandler2 = true;
    Calls calls;
    FakePlugin* log = nullptr;

    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override {
        if (FUnknownPrivate::iidEqual(iid, IComponentHandler::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *object = static_cast<IComponentHandler*>(this);
            return kResultOk;
        }
        if (withHandler2 && FUnknownPrivate::iidEqual(iid, IComponentHandler2::iid)) {
            *object = static_cast<IComponentHandler2*>(this);
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    tresult PLUGIN_API beginEdit(ParamID id) override {
        return note("beginEdit " + std::to_string(id));
    }
    tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override {
        char text[64];
        std::snprintf(text, sizeof text, "performEdit %u %g", static_cast<unsigned>(id), value);
        return note(text);
    }
    tresult PLUGIN_API endEdit(ParamID id) override { return note("endEdit " + std::to_string(id)); }
    tresult PLUGIN_API restartComponent(int32 flags) override {
        return note("restartComponent " + std::to_string(flags));
    }
    tresult PLUGIN_API setDirty(TBool state) override {
        return note("setDirty " + std::to_string(state));
    }
    tresult PLUGIN_API requestOpenEditor(FIDString name) override {
        return note(std::string("requestOpenEditor ") + name);
    }
    tresult PLUGIN_API startGroupEdit() override { return kNotImplemented; }
    tresult PLUGIN_API finishGroupEdit() override { return kNotImplemented; }

    Calls take() { return std::exchange(calls, {}); }

private:
    tresult note(std::string call) {
        if (log != nullptr) {
            log->note(std::move(call));
        } else {
            calls.push_back(std::move(call));
        }
        return kResultOk;
    }
};

// The host application; an empty name makes getName fail. It hands out `runLoop` when set, as
// some hosts do.
class HostApplication : public Unreferenced<IHostApplication> {
public:
    std::u16string name;
    Linux::IRunLoop* runLoop = nullptr;

    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override {
        if (FUnknownPrivate::iidEqual(iid, IHostApplication::iid)) {
            *object = this;
            return kResultOk;
        }
        if (runLoop != nullptr && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
            *object = runLoop;
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    tresult PLUGIN_API getName(String128 out) override {
        if (name.empty()) return kResultFalse;
        // Fills every unit, terminated or not, as a careless host might.
        for (std::size_t i = 0; i < 128; ++i) out[i] = i < name.size() ? name[i] : u'x';
        if (name.size() < 128) out[name.size()] = 0;
        return kResultOk;
    }
    tresult PLUGIN_API createInstance(TUID, TUID, void** object) override {
        *object = nullptr;
        return kResultFalse;
    }
};

// The host's frame around the editor view, noting the sizes asked for in the plug-in's log.
class PlugFrame : public Unreferenced<IPlugFrame> {
public:
    explicit PlugFrame(FakePlugin& log) : log(log) {}
    tresult PLUGIN_API resizeView(IPlugView*, ViewRect* rect) override {
        log.note("resizeView " + std::to_string(rect->getWidth()) + "x" +
                 std::to_string(rect->getHeight()));
        return kResultOk;
    }

private:
    FakePlugin& log;
};

// The component as a host holds it: one reference, its interfaces, and its set-up as far as
// activation.
struct Component {
    explicit Component(FakePlugin& fake) : object(new ClapAsVst3(&library, 0, nullptr)) {
        library.useStaticEntry(fake.clapEntry(), nullptr);
        component = ask<IComponent>(IComponent::iid);
        processor = ask<IAudioProcessor>(IAudioProcessor::iid);
        controller = ask<IEditController>(IEditController::iid);
    }
    ~Component() {
        component->terminate();
        component->release();
    }
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    template <class I>
    I* ask(const TUID iid) {
        void* found = nullptr;
        if (object->queryInterface(iid, &found) != kResultOk) return nullptr;
        object->release();  // the test's one reference stands for all
        return static_cast<I*>(found);
    }

    // initialize with the host, the handler, 48 kHz and blocks of 64 samples.
    bool initialize() {
        ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
        return component->initialize(&host) == kResultOk &&
               controller->setComponentHandler(&handler) == kResultOk &&
               processor->setupProcessing(setup) == kResultOk;
    }
    // The same, then active and processing.
    bool start() {
        return initialize() && component->setActive(true) == kResultOk &&
               processor->setProcessing(true) == kResultOk;
    }

    Clap::Library library;
    HostApplication host;
    ComponentHandler handler;
    ClapAsVst3* object;
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
};

// One block of 64 samples for a plug-in with one stereo output.
struct Block {
    std::array<std::array<float, 64>, 2> channels{};
    std::array<float*, 2> pointers{channels[0].data(), channels[1].data()};
    AudioBusBuffers output{};
    process_testing::EventList events;
    ProcessData data{};

    Block() {
        output.numChannels = 2;
        output.channelBuffers32 = pointers.data();
        data.processMode = kRealtime;
        data.symbolicSampleSize = kSample32;
        data.numSamples = 64;
        data.numOutputs = 1;
        data.outputs = &output;
        data.outputEvents = &events;
    }
};

}  // namespace component_testing
