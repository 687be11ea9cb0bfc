#include "os/log.hpp"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

TEST(Log, WritesOneFlushedLineWithItsLocation) {
    testing::internal::CaptureStdout();
    os::log("plain");
    os::logWithLocation("vst3_entry.cpp", 42, "GetPluginFactoryEntryPoint",
                        "  plugin #{}: '{}'", 0, "Vantrel Ondrix");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "plain\n"
              "vst3_entry.cpp:42 (GetPluginFactoryEntryPoint)   plugin #0: 'Vantrel Ondrix'\n");
}

// Processor time would stand still while the process sleeps.
TEST(Tick, FollowsTheWallClockWhileTheProcessSleeps) {
    const std::uint64_t before = os::getTickInMS();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint64_t passed = os::getTickInMS() - before;
    EXPECT_GE(passed, 45u);
    EXPECT_LE(passed, 1000u);
}

}  // namespace
