// ClapAsVst3 through its VST3 interfaces: initialize to terminate over a recording CLAP plug-in,
// the state passed through to our plug-in, and the editor view's life beside the component's.

#include "clap_as_vst3.hpp"

#include "clap/library.hpp"
#include "clap/plugin.hpp"
#include "fake_clap_plugin.hpp"
#include "ondrix_entry.hpp"
#include "os/idle.hpp"
#include "process/host_fakes.hpp"
#include "run_loop_fakes.hpp"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"

#include <clap/clap.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using Calls = std::vector<std::string>;

// A CLAP plug-in that records its calls as text, reached through an entry record of its own.
// Thread: the test's. Owner: the test; one exists at a time (the entry finds it by a global).
struct RecordingPlugin : clap_as_vst3_testing::FakeClapPlugin {
    bool initAnswer = true;
    bool withGui = true;
    // start_processing fails this many times before it succeeds.
    int startFailures = 0;
    // What a load asks the stream for, and the size it reads.
    uint64_t loadReadSize = 16;
    // One parameter (id 7, 0..10) with this value, when set.
    std::optional<double> parameter;
    int valueReads = 0;
    // A load tells the host that the parameter values changed.
    bool rescanOnLoad = false;
    Calls calls;
    // The name of the host the plug-in was made with, as init saw it.
    std::string hostName;

    clap_plugin_gui_t gui{};
    clap_plugin_state_t state{};
    clap_plugin_params_t params{};

    static RecordingPlugin& of(const clap_plugin_t* p) {
        return FakeClapPlugin::of<RecordingPlugin>(p);
    }
    static void note(const clap_plugin_t* p, std::string call) {
        of(p).calls.push_back(std::move(call));
    }

    RecordingPlugin() : FakeClapPlugin("test.recording", "Recording") {
        plugin.init = [](const clap_plugin_t* p) {
            note(p, "init");
            of(p).hostName = of(p).host->name;
            return of(p).initAnswer;
        };
        plugin.destroy = [](const clap_plugin_t* p) { note(p, "destroy"); };
        plugin.activate = [](const clap_plugin_t* p, double, uint32_t, uint32_t) {
            note(p, "activate");
            return true;
        };
        plugin.deactivate = [](const clap_plugin_t* p) { note(p, "deactivate"); };
        plugin.start_processing = [](const clap_plugin_t* p) {
            const bool fails = of(p).startFailures > 0;
            of(p).startFailures -= fails ? 1 : 0;
            note(p, fails ? "start_processing (fails)" : "start_processing");
            return !fails;
        };
        plugin.stop_processing = [](const clap_plugin_t* p) { note(p, "stop_processing"); };
        plugin.reset = [](const clap_plugin_t* p) { note(p, "reset"); };
        plugin.process = [](const clap_plugin_t* p, const clap_process_t*) -> clap_process_status {
            note(p, "process");
            return CLAP_PROCESS_CONTINUE;
        };
        plugin.get_extension = [](const clap_plugin_t* p, const char* id) -> const void* {
            if (std::strcmp(id, CLAP_EXT_GUI) == 0 && of(p).withGui) return &of(p).gui;
            if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &of(p).state;
            if (std::strcmp(id, CLAP_EXT_PARAMS) == 0 && of(p).parameter) return &of(p).params;
            return nullptr;
        };
        plugin.on_main_thread = [](const clap_plugin_t* p) { note(p, "on_main_thread"); };

        gui.is_api_supported = [](const clap_plugin_t*, const char*, bool) { return true; };
        gui.create = [](const clap_plugin_t* p, const char*, bool) {
            note(p, "gui create");
            return true;
        };
        gui.destroy = [](const clap_plugin_t* p) { note(p, "gui destroy"); };
        gui.set_parent = [](const clap_plugin_t* p, const clap_window_t*) {
            note(p, "gui set_parent");
            return true;
        };
        gui.show = [](const clap_plugin_t* p) {
            note(p, "gui show");
            return true;
        };
        gui.can_resize = [](const clap_plugin_t*) { return false; };
        gui.get_size = [](const clap_plugin_t* p, uint32_t* w, uint32_t* h) {
            note(p, "gui get_size");
            *w = 100;
            *h = 50;
            return true;
        };

        state.save = [](const clap_plugin_t* p, const clap_ostream_t* out) {
            const int64_t wrote = out->write(out, "saved", 5);
            note(p, "save wrote " + std::to_string(wrote));
            return wrote == 5;
        };
        state.load = [](const clap_plugin_t* p, const clap_istream_t* in) {
            char buffer[16] = {};
            const int64_t got = in->read(in, buffer, of(p).loadReadSize);
            note(p, "load read " + std::to_string(got));
            if (of(p).rescanOnLoad) {
                const clap_host_t* host = of(p).host;
                const auto* hostParams = static_cast<const clap_host_params_t*>(
                    host->get_extension(host, CLAP_EXT_PARAMS));
                hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
            }
            return got >= 0;
        };

        params.count = [](const clap_plugin_t*) { return 1u; };
        params.get_info = [](const clap_plugin_t*, uint32_t index, clap_param_info_t* info) {
            *info = {};
            info->id = 7;
            std::strcpy(info->name, "Seven");
            info->max_value = 10;
            return index == 0;
        };
        params.get_value = [](const clap_plugin_t* p, clap_id id, double* value) {
            ++of(p).valueReads;
            *value = *of(p).parameter;
            return id == 7;
        };
    }
    // The calls since the last look.
    Calls take() { return std::exchange(calls, {}); }
};

using process_testing::Unreferenced;

// The host's stream: hands out `bytes` as the script says and keeps what is written.
struct HostStream : Unreferenced<IBStream> {
    std::string bytes;
    std::size_t at = 0;
    // At most this many bytes per read.
    int32 perRead = 0x7FFFFFFF;
    // A read that cannot fill its request answers kResultFalse (with what it did read).
    bool shortReadFails = false;
    // Every read answers kResultFalse with no bytes.
    bool readsFail = false;
    // When set, the count a read reports instead of the true one.
    std::optional<int32> reported;
    std::vector<int32> asked;
    std::string written;

    tresult PLUGIN_API read(void* buffer, int32 count, int32* numBytesRead) override {
        asked.push_back(count);
        if (readsFail) {
            return kResultFalse;  // leaves the count as the caller set it
        }
        const int32 left = static_cast<int32>(bytes.size() - at);
        const int32 got = std::min({count, perRead, left});
        std::memcpy(buffer, bytes.data() + at, static_cast<std::size_t>(std::max(got, 0)));
        at += static_cast<std::size_t>(got);
        if (numBytesRead != nullptr) *numBytesRead = reported.value_or(got);
        return shortReadFails && got < count ? kResultFalse : kResultOk;
    }
    tresult PLUGIN_API write(void* buffer, int32 count, int32* numBytesWritten) override {
        written.append(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
        if (numBytesWritten != nullptr) *numBytesWritten = count;
        return kResultOk;
    }
    tresult PLUGIN_API seek(int64, int32, int64*) override { return kNotImplemented; }
    tresult PLUGIN_API tell(int64*) override { return kNotImplemented; }
};

struct HostApplication : Unreferenced<IHostApplication> {
    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override {
        if (FUnknownPrivate::iidEqual(iid, IHostApplication::iid)) {
            *object = this;
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    tresult PLUGIN_API getName(String128 name) override {
        const char16_t text[] = u"Stage";
        std::copy(std::begin(text), std::end(text), name);
        return kResultOk;
    }
    tresult PLUGIN_API createInstance(TUID, TUID, void** obj) override {
        *obj = nullptr;
        return kResultFalse;
    }
};

// The component as a host holds it: one reference, asked for its interfaces.
struct Component {
    explicit Component(Clap::Library& library) : object(new ClapAsVst3(&library, 0, nullptr)) {
        component = ask<IComponent>(IComponent::iid);
        processor = ask<IAudioProcessor>(IAudioProcessor::iid);
        controller = ask<IEditController>(IEditController::iid);
    }
    ~Component() { release(); }
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    template <class I>
    I* ask(const FUID& iid) {
        void* found = nullptr;
        if (object->queryInterface(iid.toTUID(), &found) != kResultOk) return nullptr;
        object->release();  // the test's one reference stands for all
        return static_cast<I*>(found);
    }
    void release() {
        if (component != nullptr) std::exchange(component, nullptr)->release();
    }

    ClapAsVst3* object;
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
};

struct Recorded : testing::Test {
    RecordingPlugin fake;
    Clap::Library library;
    HostApplication host;

    Recorded() { library.useStaticEntry(fake.clapEntry(), nullptr); }

    // Initialised with the host, active and processing, the plug-in's calls so far taken.
    void startProcessing(Component& c) {
        ASSERT_EQ(c.component->initialize(&host), kResultOk);
        ASSERT_EQ(c.component->setActive(true), kResultOk);
        ASSERT_EQ(c.processor->setProcessing(true), kResultOk);
        fake.take();
    }
};

// One block of 64 samples with no buses, as the recording plug-in has none.
tresult processBlock(IAudioProcessor& processor) {
    ProcessData data{};
    data.numSamples = 64;
    data.symbolicSampleSize = kSample32;
    return processor.process(data);
}

TEST_F(Recorded, LifecycleStepByStep) {
    fake.startFailures = 1;
    Component c(library);
    ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
    const auto process = [&] { return processBlock(*c.processor); };
    const struct {
        const char* step;
        std::function<tresult()> call;
        tresult result;
        Calls clapCalls;
    } steps[] = {
        {"initialize", [&] { return c.component->initialize(&host); }, kResultOk, {"init"}},
        {"setupProcessing", [&] { return c.processor->setupProcessing(setup); }, kResultOk, {}},
        {"setProcessing before activation", [&] { return c.processor->setProcessing(true); },
         kResultFalse, {}},
        {"process before activation", process, kNotInitialized, {}},
        {"setActive(true)", [&] { return c.component->setActive(true); }, kResultOk,
         {"activate"}},
        {"setActive(true) again", [&] { return c.component->setActive(true); }, kResultFalse,
         {}},
        {"setProcessing(true), start fails", [&] { return c.processor->setProcessing(true); },
         kResultFalse, {"start_processing (fails)"}},
        {"process after the failed start", process, kNotInitialized, {}},
        {"setProcessing(true) again", [&] { return c.processor->setProcessing(true); },
         kResultOk, {"start_processing"}},
        {"process", process, kResultOk, {"process"}},
        {"setProcessing(true) while processing", [&] { return c.processor->setProcessing(true); },
         kResultOk, {}},
        {"setProcessing(false)", [&] { return c.processor->setProcessing(false); }, kResultOk,
         {"stop_processing", "reset"}},
        {"process after processing stopped", process, kNotInitialized, {}},
        {"setActive(false)", [&] { return c.component->setActive(false); }, kResultOk,
         {"deactivate"}},
        {"terminate", [&] { return c.component->terminate(); }, kResultOk, {"destroy"}},
        {"process after terminate", process, kNotInitialized, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        EXPECT_EQ(s.call(), s.result);
        EXPECT_EQ(fake.take(), s.clapCalls);
    }
    EXPECT_FALSE(os::timerRunning());
}

TEST_F(Recorded, DeactivatingWhileProcessingStopsTheProcessingFirst) {
    Component c(library);
    ASSERT_NO_FATAL_FAILURE(startProcessing(c));
    EXPECT_EQ(c.component->setActive(false), kResultOk);
    EXPECT_EQ(fake.take(), (Calls{"stop_processing", "reset", "deactivate"}));
    // A new activation does not process until processing is started again.
    ASSERT_EQ(c.component->setActive(true), kResultOk);
    EXPECT_EQ(processBlock(*c.processor), kNotInitialized);
    EXPECT_EQ(c.processor->setProcessing(true), kResultOk);
    EXPECT_EQ(processBlock(*c.processor), kResultOk);
    EXPECT_EQ(fake.take(), (Calls{"activate", "start_processing", "process"}));
}

// Every call that needs the plug-in answers as having none, and reaches nothing.
void expectNothingReached(Component& c, RecordingPlugin& fake) {
    HostStream stream;
    stream.bytes = "saved";
    EXPECT_EQ(c.component->setActive(true), kResultFalse);
    EXPECT_EQ(c.processor->setProcessing(true), kResultFalse);
    EXPECT_EQ(processBlock(*c.processor), kNotInitialized);
    EXPECT_EQ(c.component->getState(&stream), kResultFalse);
    EXPECT_EQ(c.component->setState(&stream), kResultFalse);
    EXPECT_EQ(c.controller->createView(ViewType::kEditor), nullptr);
    EXPECT_EQ(c.component->setActive(false), kResultFalse);
    EXPECT_EQ(fake.take(), Calls{});
    EXPECT_FALSE(os::timerRunning());
}

TEST_F(Recorded, AfterTerminateNothingReachesThePlugin) {
    Component c(library);
    ASSERT_NO_FATAL_FAILURE(startProcessing(c));
    // Still processing and active: terminate ends both before the instance goes.
    EXPECT_EQ(c.component->terminate(), kResultOk);
    EXPECT_EQ(fake.take(), (Calls{"stop_processing", "reset", "deactivate", "destroy"}));
    expectNothingReached(c, fake);
}

TEST_F(Recorded, AFailedInitializeLeavesNoInstance) {
    fake.initAnswer = false;
    Component c(library);
    EXPECT_EQ(c.component->initialize(&host), kResultFalse);
    EXPECT_EQ(fake.take(), (Calls{"init", "destroy"}));
    expectNothingReached(c, fake);
    EXPECT_EQ(c.component->terminate(), kResultOk);
}

TEST_F(Recorded, ReleasingAnActiveComponentEndsItAsTerminateWould) {
    {
        Component c(library);
        ASSERT_NO_FATAL_FAILURE(startProcessing(c));
        EXPECT_TRUE(os::timerRunning());
    }
    EXPECT_EQ(fake.take(), (Calls{"stop_processing", "reset", "deactivate", "destroy"}));
    EXPECT_FALSE(os::timerRunning());
}

TEST_F(Recorded, EachCreatedViewIsTheHostsToRelease) {
    Component c(library);
    ASSERT_EQ(c.component->initialize(&host), kResultOk);
    IPlugView* first = c.controller->createView(ViewType::kEditor);
    IPlugView* second = c.controller->createView(ViewType::kEditor);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(second, first);
    ViewRect size{};
    EXPECT_EQ(first->getSize(&size), kResultOk);
    first->release();
    second->release();
    EXPECT_EQ(fake.take(), (Calls{"init", "gui create", "gui get_size", "gui destroy"}));

    IPlugView* third = c.controller->createView(ViewType::kEditor);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->getSize(&size), kResultOk);
    EXPECT_EQ(fake.take(), (Calls{"gui create", "gui get_size"}));
    EXPECT_EQ(third->release(), 0u);
}

TEST_F(Recorded, AViewOutlivingItsComponentCallsNothing) {
    Component c(library);
    ASSERT_EQ(c.component->initialize(&host), kResultOk);
    IPlugView* view = c.controller->createView(ViewType::kEditor);
    ASSERT_NE(view, nullptr);
    run_loop_testing::RecordingRunLoop loop;
    run_loop_testing::LoopFrame frame(&loop);
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    void* const parent = reinterpret_cast<void*>(std::uintptr_t{7});
    ASSERT_EQ(view->attached(parent, kPlatformTypeX11EmbedWindowID), kResultOk);
    fake.take();

    EXPECT_EQ(c.component->terminate(), kResultOk);
    EXPECT_EQ(fake.take(), (Calls{"gui destroy", "destroy"}));
    c.release();

    ViewRect size{0, 0, 10, 10};
    EXPECT_EQ(view->getSize(&size), kResultFalse);
    EXPECT_EQ(view->onSize(&size), kResultFalse);
    EXPECT_EQ(view->setFrame(&frame), kResultFalse);
    EXPECT_EQ(view->attached(parent, kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_EQ(view->removed(), kResultFalse);
    EXPECT_EQ(view->release(), 0u);
    EXPECT_EQ(fake.take(), Calls{});
    EXPECT_EQ(loop.registeredTimers(), 0u);
}

TEST_F(Recorded, NoGuiNoView) {
    fake.withGui = false;
    Component c(library);
    ASSERT_EQ(c.component->initialize(&host), kResultOk);
    EXPECT_EQ(c.controller->createView(ViewType::kEditor), nullptr);
    EXPECT_EQ(c.controller->createView("anything"), nullptr);
}

// What one read of the plug-in gets from the host's stream.
TEST_F(Recorded, StreamReadsAsThePluginSeesThem) {
    const struct {
        const char* name;
        uint64_t size;
        std::function<void(HostStream&)> script;
        int32 asked;
        const char* loadCall;
        tresult result;
    } cases[] = {
        {"a whole read", 16, [](HostStream&) {}, 16, "load read 5", kResultOk},
        {"a failing read with bytes", 16, [](HostStream& s) { s.shortReadFails = true; }, 16,
         "load read 5", kResultOk},
        {"a failing read without", 16, [](HostStream& s) { s.readsFail = true; }, 16,
         "load read 0", kResultOk},
        {"more than was asked for", 16, [](HostStream& s) { s.reported = 17; }, 16,
         "load read -1", kResultFalse},
        {"a negative count", 16, [](HostStream& s) { s.reported = -2; }, 16, "load read -1",
         kResultFalse},
        {"a size past 32 bits", 0x100000004ull, [](HostStream& s) { s.readsFail = true; },
         0x7FFFFFFF, "load read 0", kResultOk},
    };
    Component c(library);
    ASSERT_EQ(c.component->initialize(&host), kResultOk);
    fake.take();
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        HostStream stream;
        stream.bytes = "saved";
        k.script(stream);
        fake.loadReadSize = k.size;
        EXPECT_EQ(c.component->setState(&stream), k.result);
        EXPECT_EQ(stream.asked, std::vector<int32>{k.asked});
        EXPECT_EQ(fake.take(), Calls{k.loadCall});
    }
}

TEST_F(Recorded, NullStreamsAreRefusedAndTheControllerKeepsNoState) {
    Component c(library);
    ASSERT_EQ(c.component->initialize(&host), kResultOk);
    fake.take();
    EXPECT_EQ(c.component->getState(nullptr), kResultFalse);
    EXPECT_EQ(c.component->setState(nullptr), kResultFalse);
    HostStream stream;
    EXPECT_EQ(c.controller->getState(&stream), kNotImplemented);
    EXPECT_EQ(c.controller->setState(&stream), kNotImplemented);
    EXPECT_EQ(c.controller->setComponentState(&stream), kResultOk);
    EXPECT_EQ(fake.take(), Calls{});
    EXPECT_EQ(stream.asked, std::vector<int32>{});
    EXPECT_EQ(kNotImplemented, 3);
}

TEST_F(Recorded, TheHostsNameReachesThePluginWhenTheHostGivesOne) {
    {
        Component c(library);
        EXPECT_EQ(c.component->initialize(nullptr), kResultOk);
        EXPECT_EQ(fake.hostName, "DOVO-Do-ROZ3-Iruvuzu");
    }
    Component c(library);
    EXPECT_EQ(c.component->initialize(&host), kResultOk);
    EXPECT_EQ(fake.hostName, "Stage (VODI-do-VAR3)");
}

// A component handler that is also the host's context-menu factory.
struct Handler : Unreferenced<IComponentHandler> {
    struct Menus : Unreferenced<IComponentHandler3> {
        IContextMenu* PLUGIN_API createContextMenu(IPlugView*, const ParamID*) override {
            return nullptr;
        }
    } menus;
    bool offersMenus = true;

    tresult PLUGIN_API queryInterface(const TUID iid, void** object) override {
        if (offersMenus && FUnknownPrivate::iidEqual(iid, IComponentHandler3::iid)) {
            *object = &menus;
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    tresult PLUGIN_API beginEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit(ParamID, ParamValue) override { return kResultOk; }
    tresult PLUGIN_API endEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
};

TEST_F(Recorded, TheHandlersMenuFactoryIsKeptWithTheHandler) {
    Component c(library);
    ASSERT_EQ(c.component->initialize(&host), kResultOk);
    Handler withMenus;
    Handler plain;
    plain.offersMenus = false;
    EXPECT_EQ(c.controller->setComponentHandler(&withMenus), kResultOk);
    EXPECT_TRUE(c.object->supportsContextMenu());
    EXPECT_EQ(c.controller->setComponentHandler(&plain), kResultOk);
    EXPECT_FALSE(c.object->supportsContextMenu());
    EXPECT_EQ(c.controller->setComponentHandler(&withMenus), kResultOk);
    EXPECT_EQ(c.controller->setComponentHandler(nullptr), kResultOk);
    EXPECT_FALSE(c.object->supportsContextMenu());
}

TEST_F(Recorded, ALoadedStateBringsTheParameterValuesOnce) {
    for (const bool rescans : {false, true}) {
        SCOPED_TRACE(rescans ? "the plug-in rescans during the load" : "no rescan");
        fake.parameter = 0;
        fake.rescanOnLoad = rescans;
        Component c(library);
        ASSERT_EQ(c.component->initialize(&host), kResultOk);
        ParameterInfo info{};
        ASSERT_EQ(c.controller->getParameterInfo(0, info), kResultOk);
        fake.parameter = 2.5;
        fake.valueReads = 0;
        HostStream stream;
        stream.bytes = "saved";
        EXPECT_EQ(c.component->setState(&stream), kResultOk);
        EXPECT_EQ(c.controller->getParamNormalized(info.id), 0.25);
        EXPECT_EQ(fake.valueReads, 1);
    }
}

// Our plug-in's state through the component.
struct Ours : testing::Test {
    Clap::Library library;
    HostApplication host;
    Ours() { library.useStaticEntry(&vantrel_ondrix_plugin_entry, nullptr); }
};

std::string savedState(IComponent& component) {
    HostStream out;
    EXPECT_EQ(component.getState(&out), kResultOk);
    return out.written;
}

TEST_F(Ours, StateIsThePluginsDocumentThroughEveryKindOfStream) {
    Component c(library);
    testing::internal::CaptureStderr();
    ASSERT_EQ(c.component->initialize(&host), kResultOk);
    testing::internal::GetCapturedStderr();
    const std::string initial = savedState(*c.component);
    EXPECT_EQ(initial, R"({"patch":null,"version":1})");
    // A document of its own per case, so a refused one shows as the state left as it was.
    const auto document = [](int tempo) {
        return R"({"patch":{"outputs":[{"cc":16,"offset":0.1,"volts":[-5,5.5]}],"sources":[],)"
               R"("tempo":)" + std::to_string(tempo) + R"(},"version":1})";
    };

    const struct {
        const char* name;
        std::function<void(HostStream&)> script;
        bool loads;
    } streams[] = {
        {"OK with a short last read", [](HostStream&) {}, true},
        {"non-OK with bytes at the end", [](HostStream& s) { s.shortReadFails = true; }, true},
        {"one byte per read", [](HostStream& s) { s.perRead = 1; }, true},
        {"non-OK at once", [](HostStream& s) { s.readsFail = true; }, false},
        {"empty", [](HostStream& s) { s.bytes.clear(); }, false},
        {"a truncated document", [](HostStream& s) { s.bytes.resize(10); }, false},
    };
    testing::internal::CaptureStderr();  // the plug-in's lines for the refused documents
    int tempo = 100;
    for (const auto& s : streams) {
        SCOPED_TRACE(s.name);
        const std::string before = savedState(*c.component);
        HostStream in;
        in.bytes = document(++tempo);
        s.script(in);
        EXPECT_EQ(c.component->setState(&in), s.loads ? kResultOk : kResultFalse);
        EXPECT_EQ(savedState(*c.component), s.loads ? document(tempo) : before);
    }
    HostStream broken;
    broken.bytes = "{";
    EXPECT_EQ(c.component->setState(&broken), kResultFalse);
    EXPECT_EQ(savedState(*c.component), document(tempo - 3));
    testing::internal::GetCapturedStderr();
}

}  // namespace
