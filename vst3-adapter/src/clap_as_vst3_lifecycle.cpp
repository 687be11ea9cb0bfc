// ClapAsVst3: construction and teardown, initialize/terminate, activation, processing on and
// off, the state passed through to the plug-in, the component handler and the editor view.

#include "clap_as_vst3.hpp"

#include "clap/plugin.hpp"
#include "process_adapter.hpp"
#include "vst3_parameter.hpp"
#include "wrapped_view.hpp"

#include <clap/stream.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The CLAP streams of one state call over the host's stream. Lives on the stack of that call.
// Thread: the main thread. Owner: the state call; the host owns the stream.
class CLAPVST3StreamAdapter {
public:
    explicit CLAPVST3StreamAdapter(IBStream* stream) : stream(stream) {}
    CLAPVST3StreamAdapter(const CLAPVST3StreamAdapter&) = delete;
    CLAPVST3StreamAdapter& operator=(const CLAPVST3StreamAdapter&) = delete;

    const clap_istream_t* istream() const { return &in; }
    const clap_ostream_t* ostream() const { return &out; }

    // One host read of at most 2^31 - 1 bytes. A failing read still hands over the bytes it
    // reports (a stream may answer its last, short read that way); with none it is the end.
    // A count outside what was asked for is an error.
    static int64_t read(const clap_istream_t* stream, void* buffer, uint64_t size) {
        IBStream* host = static_cast<CLAPVST3StreamAdapter*>(stream->ctx)->stream;
        const int32 count = clampedCount(size);
        int32 got = 0;
        const tresult result = host->read(buffer, count, &got);
        if (got < 0 || got > count) {
            return -1;
        }
        return result == kResultOk || got > 0 ? got : 0;
    }

    // One host write of at most 2^31 - 1 bytes; a failing write is an error.
    static int64_t write(const clap_ostream_t* stream, const void* buffer, uint64_t size) {
        IBStream* host = static_cast<CLAPVST3StreamAdapter*>(stream->ctx)->stream;
        const int32 count = clampedCount(size);
        int32 put = 0;
        const tresult result = host->write(const_cast<void*>(buffer), count, &put);
        if (result != kResultOk || put < 0 || put > count) {
            return -1;
        }
        return put;
    }

private:
    static int32 clampedCount(uint64_t size) {
        return static_cast<int32>(std::min<uint64_t>(size, 0x7FFFFFFF));
    }

    IBStream* stream;
    clap_istream_t in{this, &CLAPVST3StreamAdapter::read};
    clap_ostream_t out{this, &CLAPVST3StreamAdapter::write};
};

}  // namespace

ClapAsVst3::ClapAsVst3(Clap::Library* library, int index, void* creationContext)
    : library(library),
      libraryIndex(index),
      creationContext(creationContext),
      idleAttachment([this] { os::attach(this); }, [this] { os::detach(this); }),
      runLoop([this](int fd, clap_posix_fd_flags_t flags) { fdReady(fd, flags); },
              [this](clap_id id) { timerDue(id); }) {}

ClapAsVst3::~ClapAsVst3() {
    shutDown();
    idleAttachment.off();
}

void ClapAsVst3::shutDown() {
    if (plugin) {
        setActive(false);
        idleAttachment.off();
        if (WrappedView* view = std::exchange(wrappedView, nullptr)) {
            view->cutOff();
        }
        clearContextMenu();
        plugin->terminate();
        plugin.reset();
    }
    // What the plug-in left registered leaves the host's loop, and the loops are let go.
    runLoop.reset();
    timers.clear();
}

tresult PLUGIN_API ClapAsVst3::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);
    if (context != nullptr) {
        hostApplication = FUnknownPtr<IHostApplication>(context);
    }
    if (result != kResultOk) {
        return result;
    }
    // Known before the plug-in is made: it may ask for timers from its init on.
    runLoop.setContext(context);
    if (!plugin && library != nullptr) {
        plugin = Clap::Plugin::createInstance(*library, static_cast<std::size_t>(libraryIndex),
                                              static_cast<Clap::IHost*>(this));
    }
    if (!plugin || !plugin->initialize()) {
        // Nothing of a half-made instance stays: every later call finds none.
        plugin.reset();
        runLoop.reset();
        return kResultFalse;
    }
    return kResultOk;
}

tresult PLUGIN_API ClapAsVst3::terminate() {
    hostApplication = nullptr;
    shutDown();
    return SingleComponentEffect::terminate();
}

tresult PLUGIN_API ClapAsVst3::setActive(TBool state) {
    if (!plugin) {
        return kResultFalse;
    }
    if (state) {
        if (active) {
            return kResultFalse;
        }
        for (std::size_t i = 0; i < audioInputs.size(); ++i) {
            plugin->setBusActivation(true, static_cast<uint32_t>(i), audioInputs[i]->isActive());
        }
        for (std::size_t i = 0; i < audioOutputs.size(); ++i) {
            plugin->setBusActivation(false, static_cast<uint32_t>(i), audioOutputs[i]->isActive());
        }
        if (!plugin->activate()) {
            return kResultFalse;
        }
        openGestures.reserve(eventQueueSize);
        processAdapter = std::make_unique<Clap::ProcessAdapter>();
        processAdapter->setupProcessing(
            plugin->instance(), plugin->extensions().params, audioInputs, audioOutputs,
            largestBlockSize, eventInputs.size(), eventOutputs.size(), parameters,
            componentHandler, static_cast<Clap::IAutomation*>(this), openGestures,
            (noteExpressionMask & 0x40) != 0, (noteExpressionMask & 0x04) != 0);
        for (std::size_t i = 0; i < audioInputs.size(); ++i) {
            processAdapter->activateAudioBus(kInput, static_cast<int32>(i),
                                             audioInputs[i]->isActive());
        }
        for (std::size_t i = 0; i < audioOutputs.size(); ++i) {
            processAdapter->activateAudioBus(kOutput, static_cast<int32>(i),
                                             audioOutputs[i]->isActive());
        }
        // `process` reads the flag on the audio thread: it is set once the adapter is ready.
        active = true;
        if (latencyReportPending) {
            latency_changed();
        }
        idleAttachment.on();
        return SingleComponentEffect::setActive(true);
    }

    // The plug-in stops processing before it is deactivated, whatever the host left on.
    {
        const std::lock_guard<std::mutex> guard(processingMutex);
        stopProcessing();
    }
    idleAttachment.off();
    logDroppedEvents();
    {
        // A block still running finishes before the plug-in and the adapter go.
        const Vst3Adapter::detail::shared::SpinLockGuard guard(processLock);
        if (active) {
            plugin->deactivate();
        }
        active = false;
        processAdapter.reset();
    }
    for (const uint32_t id : openGestures) {
        onEndEdit(id);
    }
    openGestures.clear();
    // No idle tick comes before the next activation: the host hears of the ends now.
    deliverQueuedEdits();
    return SingleComponentEffect::setActive(false);
}

tresult PLUGIN_API ClapAsVst3::setProcessing(TBool state) {
    const std::lock_guard<std::mutex> guard(processingMutex);
    if (!plugin || !active) {
        return kResultFalse;
    }
    if (state && !processing) {
        // Processing starts only when the plug-in starts; a failed start may be tried again.
        if (!plugin->start_processing()) {
            return kResultFalse;
        }
        processing = true;
    } else if (!state) {
        stopProcessing();
    }
    return kResultOk;
}

void ClapAsVst3::stopProcessing() {
    if (processing) {
        processing = false;
        plugin->stop_processing();
        plugin->reset();
        processCalled = false;
    }
}

tresult ClapAsVst3::componentGetState(IBStream* state) {
    if (state == nullptr || !plugin) {
        return kResultFalse;
    }
    const CLAPVST3StreamAdapter stream(state);
    return plugin->save(stream.ostream()) ? kResultOk : kResultFalse;
}

tresult ClapAsVst3::componentSetState(IBStream* state) {
    if (state == nullptr || !plugin) {
        return kResultFalse;
    }
    const auto mainThread = Clap::Plugin::AlwaysMainThread();
    paramsRescanned = false;
    const CLAPVST3StreamAdapter stream(state);
    const bool loaded = plugin->load(stream.istream());
    if (loaded && !paramsRescanned) {
        syncParameterValuesFromClap();
    }
    return loaded ? kResultOk : kResultFalse;
}

tresult PLUGIN_API ClapAsVst3::setComponentState(IBStream*) {
    // Component and controller are this one object: the state arrives through the component.
    return kResultOk;
}

void ClapAsVst3::syncParameterValuesFromClap() {
    const clap_plugin_params_t* params = plugin ? plugin->extensions().params : nullptr;
    if (params == nullptr) {
        return;
    }
    for (int32 i = 0; i < parameters.getParameterCount(); ++i) {
        auto* parameter = static_cast<Vst3Parameter*>(parameters.getParameterByIndex(i));
        if (parameter == nullptr || parameter->isMidi) {
            continue;
        }
        double value = 0;
        if (!params->get_value(plugin->instance(), parameter->clapId, &value)) {
            continue;
        }
        const double normalized = parameter->asVst3Value(value);
        const double current = parameter->getNormalized();
        if (normalized != current || std::isnan(normalized) || std::isnan(current)) {
            parameter->setNormalized(normalized);
        }
    }
}

tresult PLUGIN_API ClapAsVst3::setComponentHandler(IComponentHandler* handler) {
    componentHandler3 = nullptr;
    const tresult result = EditControllerEx1::setComponentHandler(handler);
    if (result == kResultOk && componentHandler) {
        componentHandler3 = FUnknownPtr<IComponentHandler3>(componentHandler);
    }
    return result;
}

IPlugView* PLUGIN_API ClapAsVst3::createView(FIDString) {
    const clap_plugin_gui_t* gui = plugin ? plugin->extensions().gui : nullptr;
    if (gui == nullptr) {
        return nullptr;
    }
    clearContextMenu();
    if (wrappedView != nullptr) {
        // The host gets a reference of its own, as for a new view.
        wrappedView->addRef();
        return wrappedView;
    }
    wrappedView = new WrappedView(
        plugin->instance(), gui, &runLoop, [this] { clearContextMenu(); },
        [this](bool created) {
            if (created) {
                clearContextMenu();
            }
            wrappedView = nullptr;
        },
        [] {});
    return wrappedView;
}

void ClapAsVst3::clearContextMenu() {
    contextMenu = nullptr;
    contextMenuItems.clear();
}
