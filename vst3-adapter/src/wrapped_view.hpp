#pragma once

// The VST3 editor view a host gets: it draws nothing itself but drives the CLAP plug-in's gui,
// embedding the plug-in's editor as a child of the host's window (an X11 window on Linux) and
// passing sizes and the content scale both ways. On Linux the editor's main-thread work runs on
// the host's run loop: the view hands its frame to the owner's HostRunLoop, and refuses a parent
// while no loop is known. A parent that comes before any frame, while no loop is known, waits
// for the frame: some hosts give the frame (and with it their loop) only after `attached`.
// Threads: the host's main thread only. Reference counted (FObject); the host holds it through
// its references, the owner keeps a plain pointer that the destroy callback clears.

#include "clap/window_api.hpp"

#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <clap/clap.h>

#include <functional>

class HostRunLoop;

class WrappedView : public Steinberg::IPlugView,
                    public Steinberg::IPlugViewContentScaleSupport,
                    public Steinberg::FObject {
public:
    // `gui` is the plug-in's gui extension and must be present. `runLoop` is the owner's, told
    // of each frame and of the view's end; null refuses every parent that needs a loop. The
    // callbacks may be empty: `releaseCallback` runs whenever the view lets go of what the host
    // lent it (removal, focus loss, a new frame); `destroyCallback` runs when the CLAP editor is
    // dropped, with true when one had been created; `reservedCallback` is kept for the owner and
    // never called.
    WrappedView(const clap_plugin_t* plugin, const clap_plugin_gui_t* gui, HostRunLoop* runLoop,
                std::function<void()> releaseCallback,
                std::function<void(bool created)> destroyCallback,
                std::function<void()> reservedCallback);
    ~WrappedView() override;

    // IPlugView
    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API onWheel(float distance) override;
    Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                            Steinberg::int16 modifiers) override;
    Steinberg::tresult PLUGIN_API onKeyUp(Steinberg::char16 key, Steinberg::int16 keyCode,
                                          Steinberg::int16 modifiers) override;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    Steinberg::tresult PLUGIN_API onFocus(Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override;
    Steinberg::tresult PLUGIN_API canResize() override;
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

    // IPlugViewContentScaleSupport
    Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

    // FUnknown: one reference count (FObject's) for both interfaces.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return FObject::addRef(); }
    Steinberg::uint32 PLUGIN_API release() override { return FObject::release(); }

    OBJ_METHODS(WrappedView, FObject)

    // Creates the CLAP editor once, embedded in this system's window api when the gui takes it.
    void ensure_ui();
    // Destroys the CLAP editor if there is one and tells the owner either way.
    void drop_ui();
    void releaseAdditionalReferences();
    // The plug-in asks for a new size: stored, then passed to the host's frame when there is
    // one. False (and the old size kept) when the frame refuses or the view is cut off.
    bool request_resize(uint32_t width, uint32_t height);
    // The owner goes while the host still holds the view: the CLAP editor is destroyed without
    // telling the owner, and from then on the view calls nothing (its calls answer
    // kResultFalse, its destructor does nothing). The owner lets go of the frame's loop itself.
    void cutOff();

    // What the host was last told or told the view, in host pixels.
    const Steinberg::ViewRect& rectangle() const { return rect; }
    bool isAttached() const { return attachedToParent; }

private:
    // Gives the editor the host's window, brings it to the size the host last saw and shows it.
    Steinberg::tresult embed(void* parent);
    // The host's log hears that the editor does not open for want of a run loop.
    void refuseWithoutRunLoop(int line, const char* function) const;

    const clap_plugin_t* plugin;
    const clap_plugin_gui_t* gui;
    HostRunLoop* runLoop;
    std::function<void()> releaseCallback;
    std::function<void()> reservedCallback;
    std::function<void(bool)> destroyCallback;
    clap_window_t window{Clap::editorWindowApi, {nullptr}};
    Steinberg::IPlugFrame* frame = nullptr;
    Steinberg::ViewRect rect{0, 0, 0, 0};
    bool created = false;
    bool attachedToParent = false;
    // The host's window given by `attached` before any frame and run loop, embedded when a frame
    // brings a loop; null otherwise.
    void* waitingParent = nullptr;
};
