#include "wrapped_view.hpp"

#include "clap/library.hpp"
#include "clap/plugin.hpp"
#include "host_run_loop.hpp"
#include "ondrix_entry.hpp"
#include "recording_owner.hpp"
#include "run_loop_fakes.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace Steinberg {
bool operator==(const ViewRect& a, const ViewRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
void PrintTo(const ViewRect& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
}  // namespace Steinberg

namespace {

using namespace Steinberg;
using Calls = std::vector<std::string>;

// A plug-in gui that records its calls as text and answers as told; it embeds in X11 windows.
// Thread: the test's thread. Owner: the test.
struct FakeGui {
    bool embeds = true;
    bool canResize = true;
    bool parentTaken = true;
    uint32_t width = 1180;
    uint32_t height = 760;
    // adjust_size keeps sizes of at least this much and answers true; false when it is 0.
    uint32_t minimum = 100;
    Calls calls;

    clap_plugin_t plugin{};
    clap_plugin_gui_t gui{};

    FakeGui() {
        plugin.plugin_data = this;
        gui.is_api_supported = [](const clap_plugin_t* p, const char* api, bool f) {
            return of(p).note("is_api_supported " + std::string(api) + floating(f)) &&
                   of(p).embeds && std::string(api) == CLAP_WINDOW_API_X11 && !f;
        };
        gui.create = [](const clap_plugin_t* p, const char* api, bool f) {
            return of(p).note("create " + std::string(api) + floating(f));
        };
        gui.destroy = [](const clap_plugin_t* p) { of(p).note("destroy"); };
        gui.set_scale = [](const clap_plugin_t* p, double scale) {
            return of(p).note("set_scale " + std::to_string(scale));
        };
        gui.get_size = [](const clap_plugin_t* p, uint32_t* w, uint32_t* h) {
            *w = of(p).width;
            *h = of(p).height;
            return of(p).note("get_size");
        };
        gui.can_resize = [](const clap_plugin_t* p) {
            return of(p).note("can_resize") && of(p).canResize;
        };
        gui.adjust_size = [](const clap_plugin_t* p, uint32_t* w, uint32_t* h) {
            FakeGui& fake = of(p);
            fake.note("adjust_size " + size(*w, *h));
            if (fake.minimum == 0) {
                return false;
            }
            *w = std::max(*w, fake.minimum);
            *h = std::max(*h, fake.minimum);
            return true;
        };
        gui.set_size = [](const clap_plugin_t* p, uint32_t w, uint32_t h) {
            return of(p).note("set_size " + size(w, h));
        };
        gui.set_parent = [](const clap_plugin_t* p, const clap_window_t* window) {
            of(p).note("set_parent " + std::string(window->api) + " " +
                       std::to_string(window->x11));
            return of(p).parentTaken;
        };
        gui.show = [](const clap_plugin_t* p) { return of(p).note("show"); };
    }

    static FakeGui& of(const clap_plugin_t* p) { return *static_cast<FakeGui*>(p->plugin_data); }
    static std::string floating(bool f) { return f ? " floating" : ""; }
    static std::string size(uint32_t w, uint32_t h) {
        return std::to_string(w) + " " + std::to_string(h);
    }
    bool note(std::string call) {
        calls.push_back(std::move(call));
        return true;
    }
    Calls take() { return std::exchange(calls, {}); }
};

// A host frame that records the rectangles it is asked for and answers `answer`.
struct RecordingFrame : IPlugFrame {
    tresult answer = kResultOk;
    std::vector<ViewRect> asked;

    tresult PLUGIN_API resizeView(IPlugView*, ViewRect* r) override {
        asked.push_back(*r);
        return answer;
    }
    tresult PLUGIN_API queryInterface(const TUID, void**) override { return kNoInterface; }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
};

// A view over a gui, with what its owner's callbacks were told, and the owner's run loop, which
// has the host's loop from the context unless told otherwise. The test holds the creation
// reference and may drop it early.
struct Viewed {
    explicit Viewed(const clap_plugin_t* plugin, const clap_plugin_gui_t* gui,
                    bool contextLoop = true)
        : view(owned(new WrappedView(
              plugin, gui, &runLoop, [this] { owner.push_back("release"); },
              [this](bool created) { owner.push_back(created ? "destroy true" : "destroy false"); },
              [this] { owner.push_back("reserved"); }))) {
        if (contextLoop) runLoop.setContext(&hostLoop);
    }
    explicit Viewed(FakeGui& fake, bool contextLoop = true)
        : Viewed(&fake.plugin, &fake.gui, contextLoop) {}

    run_loop_testing::RecordingRunLoop hostLoop;
    HostRunLoop runLoop{{}, {}};
    Calls owner;
    IPtr<WrappedView> view;
};

// The host's X11 window: its id, passed as the pointer's value.
void* const parentWindow = reinterpret_cast<void*>(std::uintptr_t{4200});
const ViewRect none{0, 0, 0, 0};

TEST(WrappedView, ReattachingKeepsTheSizeTheHostSaw) {
    FakeGui fake;
    Viewed v(fake);
    ViewRect r{};
    ASSERT_EQ(v.view->getSize(&r), kResultOk);
    EXPECT_EQ(r, (ViewRect{0, 0, 1180, 760}));
    EXPECT_EQ(fake.take(), (Calls{"is_api_supported x11", "create x11", "get_size"}));

    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_EQ(v.view->attached(parentWindow, kPlatformTypeX11EmbedWindowID), kResultOk);
        EXPECT_TRUE(v.view->isAttached());
        EXPECT_EQ(fake.take(), (Calls{"set_parent x11 4200", "can_resize", "adjust_size 1180 760",
                                      "set_size 1180 760", "show"}))
            << "the editor is made once and given the same size every time";
        EXPECT_EQ(v.view->rectangle(), (ViewRect{0, 0, 1180, 760}));
        ASSERT_EQ(v.view->removed(), kResultOk);
        EXPECT_FALSE(v.view->isAttached());
        EXPECT_TRUE(fake.take().empty()) << "removal neither hides nor destroys the editor";
    }
    EXPECT_EQ(v.owner, Calls(3, "release"));

    v.view = nullptr;
    EXPECT_EQ(v.owner.back(), "destroy true");
    EXPECT_EQ(v.owner.size(), 5u) << "drop_ui lets go of what the host lent, then tells the owner";
    EXPECT_EQ(fake.take(), Calls{"destroy"});
}

TEST(WrappedView, AttachingFailsWithoutChangingAnything) {
    const FIDString x11 = kPlatformTypeX11EmbedWindowID;
    struct Case {
        const char* name;
        void* parent;
        FIDString type;
        bool parentTaken;
        bool runLoop;
        tresult result;
        Calls calls;
    };
    const Case cases[] = {
        {"no parent", nullptr, x11, true, true, kInvalidArgument, {}},
        {"an HWND", parentWindow, kPlatformTypeHWND, true, true, kResultFalse, {}},
        {"an NSView", parentWindow, kPlatformTypeNSView, true, true, kResultFalse, {}},
        {"no type", parentWindow, nullptr, true, true, kResultFalse, {}},
        {"no run loop from the host", parentWindow, x11, true, false, kResultFalse, {}},
        {"the gui refuses the parent", parentWindow, x11, false, true, kResultFalse,
         {"is_api_supported x11", "create x11", "set_parent x11 4200"}},
        {"no size asked yet", parentWindow, x11, true, true, kResultOk,
         {"is_api_supported x11", "create x11", "set_parent x11 4200", "show"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeGui fake;
        fake.parentTaken = c.parentTaken;
        Viewed v(fake, c.runLoop);
        // The host's frame came first, with no loop of its own.
        run_loop_testing::LoopFrame frame(nullptr);
        ASSERT_EQ(v.view->setFrame(&frame), kResultOk);
        testing::internal::CaptureStdout();
        EXPECT_EQ(v.view->attached(c.parent, c.type), c.result);
        const std::string logged = testing::internal::GetCapturedStdout();
        EXPECT_EQ(v.view->isAttached(), c.result == kResultOk);
        EXPECT_EQ(fake.take(), c.calls);
        EXPECT_EQ(v.view->rectangle(), none);
        EXPECT_EQ(logged.find("the host gave no run loop") != std::string::npos, !c.runLoop)
            << logged;
    }
}

TEST(WrappedView, BadRectanglesAreRefusedAndChangeNothing) {
    ViewRect inverted[] = {{10, 0, 9, 5}, {0, 10, 5, 9}};
    FakeGui fake;
    Viewed v(fake);
    EXPECT_EQ(v.view->getSize(nullptr), kInvalidArgument);
    EXPECT_EQ(v.view->onSize(nullptr), kResultFalse);
    EXPECT_EQ(v.view->checkSizeConstraint(nullptr), kResultFalse);
    for (ViewRect& r : inverted) {
        const ViewRect given = r;
        EXPECT_EQ(v.view->getSize(&r), kInvalidArgument);
        EXPECT_EQ(v.view->onSize(&r), kResultFalse);
        EXPECT_EQ(v.view->checkSizeConstraint(&r), kResultFalse);
        EXPECT_EQ(r, given);
    }
    EXPECT_TRUE(fake.take().empty());
    EXPECT_EQ(v.view->rectangle(), none);
    v.view = nullptr;
    EXPECT_EQ(v.owner, Calls{"destroy false"}) << "no editor was made";
}

TEST(WrappedView, SizesFollowTheGui) {
    FakeGui fake;
    Viewed v(fake);

    // Before the editor has a parent, a host size is only kept.
    ViewRect host{20, 30, 820, 630};
    EXPECT_EQ(v.view->onSize(&host), kResultOk);
    EXPECT_EQ(v.view->rectangle(), host);
    EXPECT_TRUE(fake.take().empty());

    ViewRect small{5, 5, 55, 505};
    EXPECT_EQ(v.view->checkSizeConstraint(&small), kResultOk);
    EXPECT_EQ(small, (ViewRect{5, 5, 105, 505}));
    EXPECT_EQ(fake.take(),
              (Calls{"is_api_supported x11", "create x11", "adjust_size 50 500"}));

    ASSERT_EQ(v.view->attached(parentWindow, kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_EQ(fake.take(), (Calls{"set_parent x11 4200", "can_resize", "adjust_size 800 600",
                                  "set_size 800 600", "show"}));

    ViewRect narrow{20, 30, 70, 630};
    EXPECT_EQ(v.view->onSize(&narrow), kResultOk);
    EXPECT_EQ(v.view->rectangle(), (ViewRect{20, 30, 120, 630}));
    EXPECT_EQ(fake.take(), (Calls{"can_resize", "adjust_size 50 600", "set_size 100 600"}));

    fake.canResize = false;
    EXPECT_EQ(v.view->onSize(&host), kResultFalse);
    EXPECT_EQ(v.view->rectangle(), host) << "only the stored rectangle changes";
    EXPECT_EQ(fake.take(), Calls{"can_resize"});
    EXPECT_EQ(v.view->canResize(), kResultFalse);

    fake.minimum = 0;
    ViewRect any{0, 0, 10, 10};
    EXPECT_EQ(v.view->checkSizeConstraint(&any), kResultFalse);
    EXPECT_EQ(any, (ViewRect{0, 0, 10, 10}));

    // A size past what a rectangle holds stops at its edge.
    fake.width = std::numeric_limits<uint32_t>::max();
    ViewRect far{10, std::numeric_limits<int32>::max() - 1, 10, std::numeric_limits<int32>::max()};
    EXPECT_EQ(v.view->getSize(&far), kResultOk);
    EXPECT_EQ(far.right, std::numeric_limits<int32>::max());
    EXPECT_EQ(far.bottom, std::numeric_limits<int32>::max());

    fake.take();
    EXPECT_EQ(v.view->setContentScaleFactor(2.0f), kResultOk);
    EXPECT_EQ(fake.take(), Calls{"set_scale 2.000000"});
}

TEST(WrappedView, PluginResizeGoesThroughTheFrame) {
    FakeGui fake;
    Viewed v(fake);
    ViewRect start{10, 20, 110, 220};
    ASSERT_EQ(v.view->onSize(&start), kResultOk);

    EXPECT_TRUE(v.view->request_resize(300, 400)) << "no frame: the size is only stored";
    EXPECT_EQ(v.view->rectangle(), (ViewRect{10, 20, 310, 420}));

    RecordingFrame frame;
    ASSERT_EQ(v.view->setFrame(&frame), kResultOk);
    EXPECT_TRUE(v.view->request_resize(500, 600));
    EXPECT_EQ(v.view->rectangle(), (ViewRect{10, 20, 510, 620}));

    frame.answer = kResultFalse;
    EXPECT_FALSE(v.view->request_resize(700, 800));
    EXPECT_EQ(v.view->rectangle(), (ViewRect{10, 20, 510, 620})) << "the refused size is undone";
    ASSERT_EQ(frame.asked.size(), 2u);
    EXPECT_EQ(frame.asked[0], (ViewRect{10, 20, 510, 620}));
    EXPECT_EQ(frame.asked[1], (ViewRect{10, 20, 710, 820}));
    EXPECT_EQ(v.owner, Calls{"release"}) << "setting a frame lets go of what the host lent";
    EXPECT_TRUE(fake.take().empty());
}

TEST(WrappedView, AnswersForItsPlatformsAndInterfaces) {
    FakeGui fake;
    Viewed v(fake);
    EXPECT_EQ(v.view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_EQ(v.view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    EXPECT_EQ(v.view->isPlatformTypeSupported(kPlatformTypeNSView), kResultFalse);
    EXPECT_EQ(fake.take(), (Calls{"is_api_supported x11", "is_api_supported win32",
                                  "is_api_supported cocoa"}));
    EXPECT_EQ(v.view->isPlatformTypeSupported("UIView"), kResultFalse);
    EXPECT_EQ(v.view->isPlatformTypeSupported(nullptr), kResultFalse);
    EXPECT_TRUE(fake.take().empty());

    EXPECT_EQ(v.view->onFocus(true), kResultOk);
    EXPECT_EQ(v.view->onFocus(false), kResultOk);
    EXPECT_EQ(v.owner, Calls{"release"});
    EXPECT_EQ(v.view->onWheel(1), kResultFalse);
    EXPECT_EQ(v.view->onKeyDown(u'a', 0, 0), kResultFalse);

    void* asked = nullptr;
    ASSERT_EQ(v.view->queryInterface(IPlugView::iid, &asked), kResultOk);
    EXPECT_EQ(asked, static_cast<IPlugView*>(v.view.get()));
    static_cast<IPlugView*>(asked)->release();
    ASSERT_EQ(v.view->queryInterface(IPlugViewContentScaleSupport::iid, &asked), kResultOk);
    EXPECT_EQ(asked, static_cast<IPlugViewContentScaleSupport*>(v.view.get()));
    static_cast<IPlugViewContentScaleSupport*>(asked)->release();
    EXPECT_TRUE(v.view->isTypeOf("WrappedView"));
}

// The loop of the host's frame serves the editor from the frame's arrival to its departure: a
// new frame, no frame, or the view's end takes it back.
TEST(WrappedView, TheFramesRunLoopServesTheEditorWhileTheFrameStays) {
    FakeGui fake;
    run_loop_testing::RecordingRunLoop frameLoop;
    run_loop_testing::LoopFrame frame(&frameLoop);
    run_loop_testing::LoopFrame bare(nullptr);
    const FIDString x11 = kPlatformTypeX11EmbedWindowID;
    Viewed v(fake, false);

    ASSERT_EQ(v.view->setFrame(&bare), kResultOk);
    EXPECT_EQ(v.runLoop.loop(), nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(v.view->attached(parentWindow, x11), kResultFalse);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("the host gave no run loop"),
              std::string::npos);

    ASSERT_EQ(v.view->setFrame(&frame), kResultOk);
    EXPECT_EQ(v.runLoop.loop(), &frameLoop);
    EXPECT_EQ(v.view->attached(parentWindow, x11), kResultOk);
    EXPECT_EQ(v.view->removed(), kResultOk);
    ASSERT_EQ(v.view->setFrame(nullptr), kResultOk);
    EXPECT_EQ(v.runLoop.loop(), nullptr);

    ASSERT_EQ(v.view->setFrame(&frame), kResultOk);
    v.view = nullptr;
    EXPECT_EQ(v.runLoop.loop(), nullptr) << "the frame went with the view";
}

// Some hosts call attached before setFrame: with no loop known yet, the parent waits for the
// frame, and the editor is embedded once the frame brings a loop. A frame without one, the
// parent's removal or the view's end refuses it as attached would have.
TEST(WrappedView, AParentGivenBeforeTheFrameWaitsForTheFramesRunLoop) {
    const Calls embedded{"is_api_supported x11", "create x11", "set_parent x11 4200", "can_resize",
                         "adjust_size 1000 640", "set_size 1000 640", "show"};
    run_loop_testing::RecordingRunLoop frameLoop;
    run_loop_testing::LoopFrame frame(&frameLoop);
    run_loop_testing::LoopFrame bare(nullptr);
    struct Case {
        const char* name;
        std::function<void(Viewed&)> then;
        Calls calls;
        const char* refusedIn;  // the function whose log line refuses the editor, if any
    };
    const Case cases[] = {
        {"a frame with a loop", [&](Viewed& v) { v.view->setFrame(&frame); }, embedded, nullptr},
        {"a frame without a loop", [&](Viewed& v) { v.view->setFrame(&bare); }, {}, "setFrame"},
        {"no frame: the view's removal",
         [&](Viewed& v) {
             v.view->setFrame(nullptr);
             v.view->removed();
             v.view->setFrame(&frame);
         },
         {},
         "removed"},
        {"no frame: the view's end", [&](Viewed& v) { v.view = nullptr; }, {}, "~WrappedView"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeGui fake;
        Viewed v(fake, false);
        ViewRect size{0, 0, 1000, 640};
        ASSERT_EQ(v.view->onSize(&size), kResultOk);
        testing::internal::CaptureStdout();
        EXPECT_EQ(v.view->attached(parentWindow, kPlatformTypeX11EmbedWindowID), kResultOk);
        EXPECT_FALSE(v.view->isAttached());
        EXPECT_TRUE(fake.take().empty()) << "nothing is made before a loop is known";

        c.then(v);
        const std::string logged = testing::internal::GetCapturedStdout();
        EXPECT_EQ(fake.take(), c.calls);
        EXPECT_EQ(v.view != nullptr && v.view->isAttached(), !c.calls.empty());
        const std::string refusal = std::string("(") + (c.refusedIn ? c.refusedIn : "") +
                                    ") the host gave no run loop (Steinberg::Linux::IRunLoop)";
        EXPECT_EQ(logged.find(refusal) != std::string::npos, c.refusedIn != nullptr) << logged;
        EXPECT_EQ(logged.find("the host gave no run loop") != std::string::npos,
                  c.refusedIn != nullptr)
            << "refused once at most: " << logged;
    }
}

// Our plug-in's editor, started as the adapter starts it: it gives its size, and without a run
// loop from the host it is given no parent.
TEST(WrappedView, OurEditorGivesItsSizeAndWaitsForARunLoop) {
    clap_host_testing::RecordingOwner owner;
    Clap::Library library;
    library.useStaticEntry(&vantrel_ondrix_plugin_entry, nullptr);
    const std::shared_ptr<Clap::Plugin> plugin = Clap::Plugin::createInstance(library, 0, &owner);
    ASSERT_TRUE(plugin);
    const clap_plugin_gui_t* gui = plugin->extensions().gui;
    if (gui == nullptr) {
        GTEST_SKIP() << "this build of the plug-in has no X11 editor";
    }
    Viewed v(plugin->instance(), gui, false);
    EXPECT_EQ(v.view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultOk);

    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE(cycle);
        ViewRect r{};
        ASSERT_EQ(v.view->getSize(&r), kResultOk);
        EXPECT_EQ(r, (ViewRect{0, 0, 1180, 760}));
        testing::internal::CaptureStdout();
        EXPECT_EQ(v.view->attached(parentWindow, kPlatformTypeX11EmbedWindowID), kResultOk)
            << "waits for a frame";
        EXPECT_FALSE(v.view->isAttached());
        EXPECT_EQ(v.view->removed(), kResultOk);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("the host gave no run loop"),
                  std::string::npos);
    }
    v.view = nullptr;
    EXPECT_EQ(v.owner.back(), "destroy true");
}

}  // namespace
