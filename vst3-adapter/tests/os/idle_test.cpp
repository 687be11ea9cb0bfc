#include "os/idle.hpp"

#include "../run_loop_fakes.hpp"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> ticks;

struct Ticked : os::IPlugObject {
    explicit Ticked(std::string name, std::function<void()> also = {})
        : name(std::move(name)), also(std::move(also)) {}
    void onIdle() override {
        ticks.push_back(name);
        if (also) {
            also();
        }
    }
    std::string name;
    std::function<void()> also;
};

// Each test starts and ends with nothing attached to the module's timer.
struct IdleTimer : ::testing::Test {
    void SetUp() override {
        ticks.clear();
        ASSERT_FALSE(os::timerRunning());
    }
    void TearDown() override {
        EXPECT_FALSE(os::timerRunning());
        EXPECT_EQ(os::timerRunLoop(), nullptr);
    }
};

TEST_F(IdleTimer, RunsFromTheFirstAttachToTheLastDetachTickingInAttachOrder) {
    Ticked a("a"), b("b");
    os::attach(nullptr);
    EXPECT_FALSE(os::timerRunning());

    os::attach(&a);
    EXPECT_TRUE(os::timerRunning());
    os::attach(&b);
    os::attach(&a);  // twice: ticked twice
    os::tick();
    EXPECT_EQ(ticks, (std::vector<std::string>{"a", "b", "a"}));

    os::detach(&a);  // every occurrence
    EXPECT_TRUE(os::timerRunning());
    ticks.clear();
    os::tick();
    EXPECT_EQ(ticks, (std::vector<std::string>{"b"}));

    os::detach(&b);
    EXPECT_FALSE(os::timerRunning());
    os::tick();
    EXPECT_EQ(ticks.size(), 1u);

    os::attach(&b);  // attaching again starts it again
    EXPECT_TRUE(os::timerRunning());
    os::detach(&b);
}

// An instance leaves the timer from its own tick (deactivation) or removes another; neither may
// call into a detached object or skip one still attached.
TEST_F(IdleTimer, ObjectsDetachingDuringATickAreNotTickedAgain) {
    Ticked later("later");
    Ticked self("self");
    self.also = [&] {
        os::detach(&self);
        os::detach(&later);
    };
    Ticked first("first");
    Ticked added("added");
    first.also = [&] { os::attach(&added); };
    Ticked last("last");
    os::attach(&first);
    os::attach(&self);
    os::attach(&later);
    os::attach(&last);

    os::tick();
    EXPECT_EQ(ticks, (std::vector<std::string>{"first", "self", "last"}));
    ticks.clear();
    first.also = {};
    os::tick();  // the object attached during the last tick joins from this one
    EXPECT_EQ(ticks, (std::vector<std::string>{"first", "last", "added"}));

    os::detach(&first);
    os::detach(&last);
    EXPECT_TRUE(os::timerRunning());
    os::detach(&added);
}

TEST_F(IdleTimer, StateSwitchesItsAttachmentOnceEachWayAndOffWhenDestroyed) {
    Ticked owner("owner");
    {
        os::State attachment([&] { os::attach(&owner); }, [&] { os::detach(&owner); });
        attachment.on();
        attachment.on();
        os::tick();
        EXPECT_EQ(ticks, (std::vector<std::string>{"owner"}));
        attachment.off();
        attachment.off();
        EXPECT_FALSE(os::timerRunning());
        attachment.on();
        EXPECT_TRUE(os::timerRunning());
    }
    EXPECT_FALSE(os::timerRunning());
}

// Inside a host the timer is registered with a loop while something is attached and a loop is
// offered, on the earliest offer still standing, and the loop's calls tick the objects.
TEST_F(IdleTimer, RunsOnTheEarliestLoopOfferedWhileObjectsAreAttached) {
    run_loop_testing::RecordingRunLoop first, second;
    using Calls = std::vector<std::string>;
    Ticked a("a");
    const struct {
        const char* what;
        std::function<void()> change;
        Calls first;
        Calls second;
    } steps[] = {
        {"a loop, nothing attached", [&] { os::offerRunLoop(&first); }, {}, {}},
        {"the first object", [&] { os::attach(&a); }, {"registerTimer 10"}, {}},
        {"a second loop", [&] { os::offerRunLoop(&second); }, {}, {}},
        {"the first loop again", [&] { os::offerRunLoop(&first); }, {}, {}},
        {"one offer of the first withdrawn", [&] { os::withdrawRunLoop(&first); }, {}, {}},
        {"the last offer of the first withdrawn", [&] { os::withdrawRunLoop(&first); },
         {"unregisterTimer 10"}, {"registerTimer 10"}},
        {"the last object detached", [&] { os::detach(&a); }, {}, {"unregisterTimer 10"}},
        {"attached again", [&] { os::attach(&a); }, {}, {"registerTimer 10"}},
        {"a loop never offered withdrawn", [&] { os::withdrawRunLoop(&first); }, {}, {}},
        {"the loop withdrawn", [&] { os::withdrawRunLoop(&second); }, {}, {"unregisterTimer 10"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(first.take(), step.first);
        EXPECT_EQ(second.take(), step.second);
        if (!step.first.empty() && step.first.back() == "registerTimer 10") {
            first.fireTimers();
            EXPECT_EQ(ticks, std::vector<std::string>{"a"}) << "the loop ticks";
            ticks.clear();
        }
    }
    EXPECT_EQ(os::timerRunLoop(), nullptr);
    os::detach(&a);
}

// An object that detaches the last from its own tick takes the timer off the loop in that tick.
TEST_F(IdleTimer, TheLastObjectLeavingInItsTickTakesTheTimerOffTheLoop) {
    run_loop_testing::RecordingRunLoop loop;
    Ticked self("self");
    self.also = [&] { os::detach(&self); };
    os::offerRunLoop(&loop);
    os::attach(&self);
    EXPECT_EQ(os::timerRunLoop(), &loop);
    loop.fireTimers();
    EXPECT_EQ(ticks, std::vector<std::string>{"self"});
    EXPECT_EQ(loop.registeredTimers(), 0u);
    os::withdrawRunLoop(&loop);
}

}  // namespace
