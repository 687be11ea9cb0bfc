// ClapAsVst3 as the plug-in's host: gestures and values reaching the host's component handler on
// the idle tick, the tick's order, the timers' ids, editor resizes, parameter rescans, the host
// name and the plain requests.

#include "clap_as_vst3_fakes.hpp"

#include "os/idle.hpp"
#include "sdk/string_convert.hpp"

#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

namespace {

using namespace component_testing;

constexpr clap_id paramId = 5;

// A plug-in with one parameter and an editor, its component started.
struct Services : testing::Test {
    Services() {
        fake.params = {parameter(paramId, "Depth")};
        fake.withGui = true;
    }

    // Active and processing, with nothing recorded yet.
    void start() {
        ASSERT_TRUE(c.start());
        fake.take();
    }
    // One block with the events the plug-in sends in it.
    void block(std::vector<ParamEvent> events) {
        fake.toSend = std::move(events);
        Block b;
        ASSERT_EQ(c.processor->process(b.data), kResultOk);
    }
    // The editor view in a frame that notes its resizes in the plug-in's log.
    void openView() {
        view = owned(c.controller->createView(ViewType::kEditor));
        ASSERT_NE(view, nullptr);
        view->setFrame(&frame);
    }
    // One idle tick of the module.
    void tick() { os::tick(); }

    FakePlugin fake;
    Component c{fake};
    PlugFrame frame{fake};
    IPtr<IPlugView> view;
};

ParamEvent begin(clap_id id = paramId) {
    return {CLAP_EVENT_PARAM_GESTURE_BEGIN, id};
}
ParamEvent value(double v, clap_id id = paramId) {
    return {CLAP_EVENT_PARAM_VALUE, id, v};
}
ParamEvent end(clap_id id = paramId) {
    return {CLAP_EVENT_PARAM_GESTURE_END, id};
}

std::string performEdit(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "performEdit %u %g", paramId, v);
    return text;
}

TEST_F(Services, AGestureFromABlockReachesTheHostAtTheNextTick) {
    start();
    block({begin(), value(0.25), value(0.5), end()});
    EXPECT_EQ(c.handler.take(), Calls{});
    tick();
    EXPECT_EQ(c.handler.take(), (Calls{"beginEdit 5", performEdit(0.25), performEdit(0.5),
                                       "endEdit 5"}));
}

TEST_F(Services, EditsArriveInOrderAcrossTicksOverTheQueueWrap) {
    start();
    Calls expected;
    int sent = 0;
    // 20 blocks of 1000 events, a tick after each: the queue's indices pass its end twice.
    for (int round = 0; round < 20; ++round) {
        std::vector<ParamEvent> events{begin()};
        expected.push_back("beginEdit 5");
        for (int i = 0; i < 998; ++i, ++sent) {
            const double v = sent / 20000.0;
            events.push_back(value(v));
            expected.push_back(performEdit(v));
        }
        events.push_back(end());
        expected.push_back("endEdit 5");
        block(events);
        tick();
    }
    EXPECT_EQ(c.handler.take(), expected);
}

TEST_F(Services, AFullQueueKeepsTheFirst8191EditsOfATick) {
    start();
    // 8192 events over two blocks with no tick between.
    std::vector<ParamEvent> first{begin()};
    Calls expected{"beginEdit 5"};
    std::vector<ParamEvent> second;
    for (int i = 0; i < 8190; ++i) {
        const double v = i / 8192.0;
        (i < 4095 ? first : second).push_back(value(v));
        expected.push_back(performEdit(v));
    }
    second.push_back(end());  // the 8192nd: dropped
    block(first);
    block(second);
    tick();
    EXPECT_EQ(c.handler.take(), expected);

    // The queue works on after it was full.
    block({begin(), end()});
    tick();
    EXPECT_EQ(c.handler.take(), (Calls{"beginEdit 5", "endEdit 5"}));
}

TEST_F(Services, DeactivationEndsOpenGesturesBeforeItReturns) {
    fake.params.push_back(parameter(7, "Rate"));
    start();
    block({begin(7), begin(5)});
    ASSERT_EQ(c.processor->setProcessing(false), kResultOk);
    ASSERT_EQ(c.component->setActive(false), kResultOk);
    EXPECT_EQ(c.handler.take(), (Calls{"beginEdit 7", "beginEdit 5", "endEdit 7", "endEdit 5"}));
    tick();
    EXPECT_EQ(c.handler.take(), Calls{});
}

// Everything the plug-in asked for before one tick, carried out in the tick's order.
TEST_F(Services, OneTickCarriesOutEveryRequestInItsOrder) {
    start();
    openView();
    block({begin(), end()});
    ASSERT_EQ(c.processor->setProcessing(false), kResultOk);  // so the flush reaches the plug-in
    c.handler.log = &fake;
    fake.requestFlush();
    fake.requestCallback();
    fake.requestRestart();
    EXPECT_TRUE(fake.requestResize(800, 600));
    fake.take();

    tick();
    EXPECT_EQ(fake.take(), (Calls{"beginEdit 5", "endEdit 5", "flush", "on_main_thread",
                                  "restartComponent 10", "resizeView 800x600"}));
    tick();
    EXPECT_EQ(fake.take(), Calls{});
}

TEST_F(Services, TheFlushWaitsForTheNextBlockWhileTheHostSendsThem) {
    start();
    fake.requestFlush();
    tick();
    EXPECT_EQ(fake.take(), Calls{"flush"});  // processing, but no block yet
    block({});
    fake.take();
    fake.requestFlush();
    tick();
    EXPECT_EQ(fake.take(), Calls{});
    // A gesture the flush reports goes through the queue like a block's.
    ASSERT_EQ(c.processor->setProcessing(false), kResultOk);
    fake.flushSends = true;
    fake.toSend = {begin(), value(1), end()};
    fake.requestFlush();
    tick();
    tick();
    EXPECT_EQ(c.handler.take(), (Calls{"beginEdit 5", performEdit(1), "endEdit 5"}));
}

TEST_F(Services, TimersTakeFreedSlotsAndIdsBack) {
    fake.withTimers = true;
    ASSERT_TRUE(c.initialize());
    clap_id ids[4] = {};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(fake.registerTimer(100, &ids[i]));
    EXPECT_EQ((std::vector<clap_id>{ids[0], ids[1], ids[2]}),
              (std::vector<clap_id>{1000, 1001, 1002}));
    EXPECT_TRUE(fake.unregisterTimer(1001));
    EXPECT_FALSE(fake.unregisterTimer(1003));
    ASSERT_TRUE(fake.registerTimer(100, &ids[3]));
    EXPECT_EQ(ids[3], 1001u);
    EXPECT_FALSE(fake.registerTimer(100, nullptr));
}

TEST_F(Services, AResizeRequestReachesTheViewAtTheNextTickLastOneWinning) {
    start();
    openView();
    const struct {
        uint32_t width, height;
        bool accepted;
    } rows[] = {
        {70000, 100, false}, {100, 70000, false}, {0xFFFF, 0xFFFF, false}, {0xFFFF, 0xFFFE, true},
        {800, 600, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fake.requestResize(row.width, row.height), row.accepted)
            << row.width << "x" << row.height;
    }
    EXPECT_EQ(fake.take(), Calls{});
    tick();
    EXPECT_EQ(fake.take(), Calls{"resizeView 800x600"});
    tick();
    EXPECT_EQ(fake.take(), Calls{});
}

TEST_F(Services, ARescanTellsTheHostWhatChanged) {
    ASSERT_TRUE(c.initialize());
    const struct {
        clap_param_rescan_flags flags;
        Calls host;
    } rows[] = {
        {CLAP_PARAM_RESCAN_TEXT, {}},
        {CLAP_PARAM_RESCAN_VALUES, {"restartComponent 4"}},
        {CLAP_PARAM_RESCAN_INFO, {"restartComponent 20"}},
        {CLAP_PARAM_RESCAN_ALL, {"restartComponent 32"}},
        {CLAP_PARAM_RESCAN_ALL | CLAP_PARAM_RESCAN_VALUES, {"restartComponent 36"}},
    };
    for (const auto& row : rows) {
        fake.rescan(row.flags);
        EXPECT_EQ(c.handler.take(), row.host) << row.flags;
    }

    // New titles after an info rescan, converted as at set-up; a rescan of all rebuilds.
    std::snprintf(fake.params[0].name, sizeof fake.params[0].name, "Tiefe \xc3\xa4");
    fake.rescan(CLAP_PARAM_RESCAN_INFO);
    ParameterInfo info{};
    ASSERT_EQ(c.controller->getParameterInfo(0, info), kResultOk);
    EXPECT_EQ(StringConvert::convert(info.title), "Tiefe \xc3\xa4");
    fake.params.push_back(parameter(9, "Shape"));
    fake.rescan(CLAP_PARAM_RESCAN_ALL);
    EXPECT_EQ(c.controller->getParameterCount(), 2);
}

TEST_F(Services, TheHostNameIsTheApplicationsMarkedAsOurs) {
    c.host.name = u"Bitwig Studio";
    ASSERT_TRUE(c.initialize());
    EXPECT_STREQ(fake.host->name, "Bitwig Studio (VODI-do-VAR3)");
}

TEST_F(Services, AHostNameThatFillsItsFieldIsCut) {
    c.host.name = std::u16string(128, u'h');
    ASSERT_TRUE(c.initialize());
    EXPECT_EQ(std::string(fake.host->name), std::string(127, 'h') + " (VODI-do-VAR3)");
}

TEST_F(Services, WithoutAHostNameTheDefaultStays) {
    ASSERT_TRUE(c.initialize());  // getName fails
    EXPECT_STREQ(fake.host->name, "DOVO-Do-ROZ3-Iruvuzu");
}

TEST(ServicesWithoutContext, ANullContextIsNotAskedForAName) {
    FakePlugin fake;
    Component c(fake);
    ASSERT_EQ(c.component->initialize(nullptr), kResultOk);
    EXPECT_STREQ(fake.host->name, "DOVO-Do-ROZ3-Iruvuzu");
}

// The plug-in's plain requests, with a host handler that has IComponentHandler2 and one without.
TEST_F(Services, PlainRequestsReachTheHandlerTheyNeed) {
    ASSERT_TRUE(c.initialize());
    const clap_host_t* host = fake.host;
    const auto* state = fake.hostExtension<clap_host_state_t>(CLAP_EXT_STATE);
    const auto* latency = fake.hostExtension<clap_host_latency_t>(CLAP_EXT_LATENCY);
    const auto* tail = fake.hostExtension<clap_host_tail_t>(CLAP_EXT_TAIL);
    const auto* gui = fake.hostExtension<clap_host_gui_t>(CLAP_EXT_GUI);
    const auto* track = fake.hostExtension<clap_host_track_info_t>(CLAP_EXT_TRACK_INFO);
    ComponentHandler plain;
    plain.withHandler2 = false;
    const struct {
        const char* name;
        std::function<bool()> call;
        bool result;
        Calls withHandler2;
        Calls without;
    } rows[] = {
        {"mark_dirty", [&] { state->mark_dirty(host); return true; }, true, {"setDirty 1"}, {}},
        {"latency changed", [&] { latency->changed(host); return true; }, true,
         {"restartComponent 8"}, {"restartComponent 8"}},
        {"tail changed", [&] { tail->changed(host); return true; }, true,
         {"restartComponent 8"}, {"restartComponent 8"}},
        {"request_hide", [&] { return gui->request_hide(host); }, false, {}, {}},
    };
    for (ComponentHandler* handler : {&c.handler, &plain}) {
        ASSERT_EQ(c.controller->setComponentHandler(handler), kResultOk);
        for (const auto& row : rows) {
            EXPECT_EQ(row.call(), row.result) << row.name;
            EXPECT_EQ(handler->take(), handler == &plain ? row.without : row.withHandler2)
                << row.name;
        }
    }
    // Opening the editor is for a handler that can; only the first has come back.
    EXPECT_FALSE(gui->request_show(host));
    ASSERT_EQ(c.controller->setComponentHandler(&c.handler), kResultOk);
    EXPECT_TRUE(gui->request_show(host));
    EXPECT_EQ(c.handler.take(), Calls{"requestOpenEditor editor"});

    // No channel context has come from the host: no track information.
    clap_track_info_t info{};
    EXPECT_FALSE(track->get(host, &info));
    EXPECT_FALSE(track->get(host, nullptr));
}

}  // namespace
