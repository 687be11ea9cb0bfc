// ClapAsVst3 with an audio thread sending blocks while the main thread runs the idle tick: the
// tick's flush waits for the block's lock, and the gestures of the blocks cross the queue.

#include "../clap_as_vst3_fakes.hpp"

#include "os/idle.hpp"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace component_testing;

TEST(ClapAsVst3Threads, BlocksRunWhileTheMainThreadTicksWithAFlushRequested) {
    FakePlugin fake;
    fake.params = {parameter(5, "Depth")};
    fake.everyBlock = {{CLAP_EVENT_PARAM_GESTURE_BEGIN, 5},
                       {CLAP_EVENT_PARAM_VALUE, 5, 0.5},
                       {CLAP_EVENT_PARAM_GESTURE_END, 5}};
    Component c(fake);
    ASSERT_TRUE(c.start());

    // Blocks with a pause between them, as a host's audio thread sends them; the main thread
    // ticks meanwhile, asking for a flush before each tick.
    constexpr int blocks = 2000;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        Block block;
        for (int i = 0; i < blocks; ++i) {
            EXPECT_EQ(c.processor->process(block.data), kResultOk);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        done = true;
    });
    while (!done) {
        fake.requestFlush();
        os::tick();
    }
    audio.join();
    os::tick();

    // Every edit arrived whole and in order.
    const Calls calls = c.handler.take();
    ASSERT_EQ(calls.size(), 3u * blocks);
    for (std::size_t i = 0; i < calls.size(); i += 3) {
        ASSERT_EQ(calls[i], "beginEdit 5") << i;
        ASSERT_EQ(calls[i + 1], "performEdit 5 0.5") << i;
        ASSERT_EQ(calls[i + 2], "endEdit 5") << i;
    }
}

}  // namespace
