#include "wrapped_view.hpp"

#include "host_run_loop.hpp"
#include "os/log.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

using namespace Steinberg;

namespace {

// Which CLAP window api stands for each VST3 platform type.
struct Platform {
    FIDString vst3;
    const char* clap;
};
const Platform platforms[] = {
    {kPlatformTypeHWND, CLAP_WINDOW_API_WIN32},
    {kPlatformTypeNSView, CLAP_WINDOW_API_COCOA},
    {kPlatformTypeX11EmbedWindowID, CLAP_WINDOW_API_X11},
};

bool sameText(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

// The CLAP window api of a VST3 platform type; null for a type not in the table.
const char* apiOf(FIDString type) {
    for (const Platform& platform : platforms) {
        if (sameText(type, platform.vst3)) {
            return platform.clap;
        }
    }
    return nullptr;
}

// The host's window as the gui takes it: an X11 window is its id, passed as the pointer's
// value; the other apis take the pointer itself.
void setHandle(clap_window_t& window, void* parent) {
    if (sameText(window.api, CLAP_WINDOW_API_X11)) {
        window.x11 = static_cast<clap_xwnd>(reinterpret_cast<std::uintptr_t>(parent));
    } else {
        window.ptr = parent;
    }
}

// A rectangle the host may hand in: present and not turned inside out.
bool usable(const ViewRect* r) {
    return r != nullptr && r->right >= r->left && r->bottom >= r->top;
}

// The extent from `from` to `to` (to >= from) as a CLAP size, without overflowing int32.
uint32_t extent(int32 from, int32 to) {
    return static_cast<uint32_t>(static_cast<int64_t>(to) - from);
}

// The edge `size` pixels after `from`, held inside int32 whatever size the plug-in reports.
int32 edge(int32 from, uint32_t size) {
    const int64_t end = static_cast<int64_t>(from) + size;
    return static_cast<int32>(std::min<int64_t>(end, std::numeric_limits<int32>::max()));
}

void resize(ViewRect& r, uint32_t width, uint32_t height) {
    r.right = edge(r.left, width);
    r.bottom = edge(r.top, height);
}

}  // namespace

WrappedView::WrappedView(const clap_plugin_t* plugin, const clap_plugin_gui_t* gui,
                         HostRunLoop* runLoop, std::function<void()> releaseCallback,
                         std::function<void(bool)> destroyCallback,
                         std::function<void()> reservedCallback)
    : plugin(plugin),
      gui(gui),
      runLoop(runLoop),
      releaseCallback(std::move(releaseCallback)),
      reservedCallback(std::move(reservedCallback)),
      destroyCallback(std::move(destroyCallback)) {}

WrappedView::~WrappedView() {
    if (std::exchange(waitingParent, nullptr) != nullptr) {
        refuseWithoutRunLoop(__LINE__, __func__);
    }
    drop_ui();
    // The frame goes with the view, and its loop with it.
    if (runLoop != nullptr) {
        runLoop->setFrame(nullptr);
    }
}

tresult PLUGIN_API WrappedView::queryInterface(const TUID iid, void** obj) {
    if (FUnknownPrivate::iidEqual(iid, IPlugView::iid)) {
        addRef();
        *obj = static_cast<IPlugView*>(this);
        return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, IPlugViewContentScaleSupport::iid)) {
        addRef();
        *obj = static_cast<IPlugViewContentScaleSupport*>(this);
        return kResultOk;
    }
    return FObject::queryInterface(iid, obj);
}

void WrappedView::cutOff() {
    releaseCallback = nullptr;
    destroyCallback = nullptr;
    reservedCallback = nullptr;
    if (gui != nullptr && created) {
        gui->destroy(plugin);
    }
    created = false;
    attachedToParent = false;
    waitingParent = nullptr;
    frame = nullptr;
    runLoop = nullptr;
    plugin = nullptr;
    gui = nullptr;
}

void WrappedView::ensure_ui() {
    if (created || gui == nullptr) {
        return;
    }
    if (gui->is_api_supported(plugin, Clap::editorWindowApi, false)) {
        gui->create(plugin, Clap::editorWindowApi, false);
    }
    created = true;
}

void WrappedView::drop_ui() {
    if (gui == nullptr) {
        return;
    }
    if (!created) {
        if (destroyCallback) {
            destroyCallback(false);
        }
        return;
    }
    releaseAdditionalReferences();
    attachedToParent = false;
    if (destroyCallback) {
        destroyCallback(true);
    }
    gui->destroy(plugin);
    created = false;
}

void WrappedView::releaseAdditionalReferences() {
    if (releaseCallback) {
        releaseCallback();
    }
}

tresult PLUGIN_API WrappedView::isPlatformTypeSupported(FIDString type) {
    if (gui == nullptr) {
        return kResultFalse;
    }
    const char* api = apiOf(type);
    return api != nullptr && gui->is_api_supported(plugin, api, false) ? kResultOk : kResultFalse;
}

tresult PLUGIN_API WrappedView::attached(void* parent, FIDString type) {
    if (gui == nullptr) {
        return kResultFalse;
    }
    if (parent == nullptr) {
        return kInvalidArgument;
    }
    // The editor embeds only in this system's window: any other is not one it can take.
    if (!sameText(apiOf(type), Clap::editorWindowApi)) {
        return kResultFalse;
    }
    // An X11 editor does its main-thread work on the host's loop; without one it would freeze.
    if (sameText(Clap::editorWindowApi, CLAP_WINDOW_API_X11) &&
        (runLoop == nullptr || runLoop->loop() == nullptr)) {
        // The frame, and the loop with it, may come next.
        if (runLoop != nullptr && frame == nullptr) {
            waitingParent = parent;
            return kResultOk;
        }
        refuseWithoutRunLoop(__LINE__, __func__);
        return kResultFalse;
    }
    waitingParent = nullptr;
    return embed(parent);
}

void WrappedView::refuseWithoutRunLoop(int line, const char* function) const {
    os::logWithLocation(__FILE__, line, function, "{}",
                        "the host gave no run loop (Steinberg::Linux::IRunLoop) with the view's "
                        "frame or its context: the editor does not open");
}

tresult WrappedView::embed(void* parent) {
    setHandle(window, parent);
    ensure_ui();
    if (!gui->set_parent(plugin, &window)) {
        window.ptr = nullptr;
        attachedToParent = false;
        return kResultFalse;
    }
    attachedToParent = true;

    // Bring the editor to the size the host last saw; with none seen yet (an empty rectangle)
    // there is nothing to restore, and the editor keeps its own.
    const bool sized = rect.right > rect.left && rect.bottom > rect.top;
    if (sized && gui->can_resize(plugin)) {
        uint32_t width = extent(rect.left, rect.right);
        uint32_t height = extent(rect.top, rect.bottom);
        if (gui->adjust_size(plugin, &width, &height)) {
            resize(rect, width, height);
        }
        gui->set_size(plugin, width, height);
    }
    gui->show(plugin);
    return kResultOk;
}

tresult PLUGIN_API WrappedView::removed() {
    if (gui == nullptr) {
        return kResultFalse;
    }
    releaseAdditionalReferences();
    if (std::exchange(waitingParent, nullptr) != nullptr) {
        refuseWithoutRunLoop(__LINE__, __func__);
    }
    // The CLAP editor is neither hidden nor destroyed: the host destroys its window next (the
    // editor's part), and may attach the view to another, which re-parents the same editor.
    attachedToParent = false;
    window.ptr = nullptr;
    return kResultOk;
}

tresult PLUGIN_API WrappedView::onWheel(float) {
    return kResultFalse;
}

tresult PLUGIN_API WrappedView::onKeyDown(char16, int16, int16) {
    return kResultFalse;
}

tresult PLUGIN_API WrappedView::onKeyUp(char16, int16, int16) {
    return kResultFalse;
}

tresult PLUGIN_API WrappedView::getSize(ViewRect* size) {
    if (gui == nullptr) {
        return kResultFalse;
    }
    if (!usable(size)) {
        return kInvalidArgument;
    }
    ensure_ui();
    uint32_t width = 0;
    uint32_t height = 0;
    if (!gui->get_size(plugin, &width, &height)) {
        return kResultFalse;
    }
    resize(*size, width, height);
    rect = *size;
    return kResultOk;
}

tresult PLUGIN_API WrappedView::onSize(ViewRect* newSize) {
    if (gui == nullptr) {
        return kResultFalse;
    }
    if (!usable(newSize)) {
        return kResultFalse;
    }
    rect = *newSize;
    if (created && attachedToParent) {
        if (!gui->can_resize(plugin)) {
            return kResultFalse;
        }
        uint32_t width = extent(rect.left, rect.right);
        uint32_t height = extent(rect.top, rect.bottom);
        if (gui->adjust_size(plugin, &width, &height)) {
            resize(rect, width, height);
        }
        gui->set_size(plugin, width, height);
    }
    return kResultOk;
}

tresult PLUGIN_API WrappedView::onFocus(TBool state) {
    if (gui == nullptr) {
        return kResultFalse;
    }
    if (!state) {
        releaseAdditionalReferences();
    }
    return kResultOk;
}

tresult PLUGIN_API WrappedView::setFrame(IPlugFrame* newFrame) {
    if (gui == nullptr) {
        return kResultFalse;
    }
    releaseAdditionalReferences();
    frame = newFrame;
    if (runLoop != nullptr) {
        runLoop->setFrame(newFrame);
    }
    if (frame != nullptr && waitingParent != nullptr) {
        void* parent = std::exchange(waitingParent, nullptr);
        if (runLoop->loop() == nullptr) {
            refuseWithoutRunLoop(__LINE__, __func__);
        } else {
            embed(parent);
        }
    }
    return kResultOk;
}

tresult PLUGIN_API WrappedView::canResize() {
    if (gui == nullptr) {
        return kResultFalse;
    }
    ensure_ui();
    return gui->can_resize(plugin) ? kResultOk : kResultFalse;
}

tresult PLUGIN_API WrappedView::checkSizeConstraint(ViewRect* r) {
    if (gui == nullptr) {
        return kResultFalse;
    }
    if (!usable(r)) {
        return kResultFalse;
    }
    ensure_ui();
    uint32_t width = extent(r->left, r->right);
    uint32_t height = extent(r->top, r->bottom);
    if (!gui->adjust_size(plugin, &width, &height)) {
        return kResultFalse;
    }
    resize(*r, width, height);
    return kResultOk;
}

tresult PLUGIN_API WrappedView::setContentScaleFactor(ScaleFactor factor) {
    if (gui == nullptr) {
        return kResultFalse;
    }
    ensure_ui();
    return gui->set_scale(plugin, static_cast<double>(factor)) ? kResultOk : kResultFalse;
}

bool WrappedView::request_resize(uint32_t width, uint32_t height) {
    if (gui == nullptr) {
        return false;
    }
    const ViewRect kept = rect;
    resize(rect, width, height);
    if (frame == nullptr) {
        return true;
    }
    if (frame->resizeView(this, &rect) == kResultOk) {
        return true;
    }
    rect = kept;
    return false;
}
