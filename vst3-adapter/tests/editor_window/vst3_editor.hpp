#pragma once

// The real editor through the VST3 view, as a Linux host opens it: the built bundle loaded with
// the dynamic loader (ModuleEntry, GetPluginFactory), its component initialised with a host
// context, the view made by createView("editor"), given a frame and attached to a top-level X11
// window of the test ("X11EmbedWindowID"). The host's run loop (Steinberg::Linux::IRunLoop) is
// the test's main loop; which of frame and context offer it, and in what order the view hears
// of frame, size and parent, is the fake host's choice.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "editor_window.hpp"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "run_loop_fakes.hpp"
#include "vst3/host_objects.hpp"
#include "vst3/vst3_module.hpp"

namespace vst3_editor_testing {

using namespace Steinberg;

// How a host hands the view what it needs; hosts differ in each.
struct FakeHost {
    const char* name;
    bool loop_on_frame;    // the IPlugFrame of setFrame answers for IRunLoop
    bool loop_on_context;  // the context of initialize answers for IRunLoop
    bool attached_before_frame;
    // The rectangle given by onSize before attached (after a getSize), if any.
    std::optional<ViewRect> size_before_attached;
};

void PrintTo(const FakeHost& host, std::ostream* out);

// The SDK's own editor host: setFrame with a frame holding the run loop, then attached.
inline const FakeHost LOOP_ON_FRAME{"LoopOnFrame", true, false, false, std::nullopt};

// The host's run loop over the test's main loop: each registered handler is served by the
// MainLoop's fds and timers. As a host, it holds a reference on each handler while registered
// and calls a handler only while it is registered.
// Thread: the test's (the host's main thread). Owner: the test; not reference counted.
class MainLoopRunLoop : public run_loop_testing::LoopBase {
  public:
    explicit MainLoopRunLoop(ondrix_host_testing::MainLoop& loop);

    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler,
                                            Linux::FileDescriptor fd) override;
    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override;
    tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler,
                                     Linux::TimerInterval milliseconds) override;
    tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override;

  private:
    ondrix_host_testing::MainLoop& loop_;
    std::map<int, IPtr<Linux::IEventHandler>> handlers_;
    std::map<std::uint32_t, IPtr<Linux::ITimerHandler>> timers_;
};

// The command-line host's application, answering for the run loop too when given one.
class HostContext : public ondrix_tools::HostApplication {
  public:
    Linux::IRunLoop* loop = nullptr;
    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override;
};

// Counts the plug-in's setDirty(true): the patch changed (in this plug-in, only the page
// changes it). Everything else is accepted and forgotten.
class ComponentHandler : public Vst::IComponentHandler, public Vst::IComponentHandler2 {
  public:
    int dirty_marks = 0;

    tresult PLUGIN_API beginEdit(Vst::ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit(Vst::ParamID, Vst::ParamValue) override { return kResultOk; }
    tresult PLUGIN_API endEdit(Vst::ParamID) override { return kResultOk; }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
    tresult PLUGIN_API setDirty(TBool state) override;
    tresult PLUGIN_API requestOpenEditor(FIDString) override { return kResultFalse; }
    tresult PLUGIN_API startGroupEdit() override { return kResultOk; }
    tresult PLUGIN_API finishGroupEdit() override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override;
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
};

// What is written to standard output or error (file descriptor 1 or 2) while it lives, this
// process's and its children's, kept in a file and readable at any time.
// Thread: the test's. Owner: the test.
class CapturedOutput {
  public:
    explicit CapturedOutput(int fd);
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    std::string text() const;
    std::vector<std::string> lines() const;
    bool holds(const std::string& line) const;

  private:
    int fd_;
    int saved_;
    std::string path_;
};

// A control change the plug-in sent: channel, controller.
using Controller = std::pair<int, int>;

// One component of the built bundle with the editor's parent window and the host's loop; the
// view while the test has one open. The destructor closes what is open and shuts the component
// down as a host does (view released, processing stopped, deactivated, terminated, released),
// then leaves the module. Thread: the test's. Owner: the test.
class Vst3Editor : public ondrix_host_testing::EditorWindow {
    // Declared first, so left last: handlers the host still holds are code of the module.
    std::unique_ptr<ondrix_tools::Vst3Module> module_;

  public:
    explicit Vst3Editor(const FakeHost& host = LOOP_ON_FRAME);
    ~Vst3Editor();
    Vst3Editor(const Vst3Editor&) = delete;
    Vst3Editor& operator=(const Vst3Editor&) = delete;

    // A new view from createView("editor"), given frame, size and parent (the test's window,
    // or `window`) in the host's order; the result of attached.
    tresult open();
    tresult open(ondrix_host_testing::WindowId window);
    // The view's attached with `window`.
    tresult attach(ondrix_host_testing::WindowId window);
    // As a host closes the editor's window: removed, no frame, the view released.
    void close();
    IPlugView* view() const { return view_; }

    // Sets up 48 kHz in blocks of 480, activates and starts processing.
    void start();
    // Processes `blocks` blocks and returns the controllers that sent values.
    std::set<Controller> play(int blocks);
    // Stops, deactivates, terminates and releases the component (the view, if the test still
    // holds one, stays the test's to release).
    void shut_down();

    std::string state();
    int dirty_marks() const { return handler_.dirty_marks; }

    const FakeHost host;
    MainLoopRunLoop run_loop{loop};
    run_loop_testing::LoopFrame frame{host.loop_on_frame ? &run_loop : nullptr};

  private:
    HostContext context_;
    ComponentHandler handler_;
    Vst::IComponent* component_ = nullptr;
    Vst::IAudioProcessor* processor_ = nullptr;
    Vst::IEditController* controller_ = nullptr;
    IPlugView* view_ = nullptr;
    bool initialized_ = false;
    bool active_ = false;
    std::uint64_t played_ = 0;
};

}  // namespace vst3_editor_testing
