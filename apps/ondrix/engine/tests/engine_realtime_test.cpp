#include <gtest/gtest.h>

#include "allocation_counter.hpp"
#include "engine.hpp"
#include "every_shape_patch.hpp"

namespace ondrix_engine::testing {
namespace {

TEST(EngineRealTime, StepAndResetAllocateNothing) {
    using settings::Motion;
    Engine engine(every_shape_patch());
    std::vector<Cc> out;
    out.reserve(512);
    std::vector<Cc> small;
    small.reserve(3);

    auto run = [&] {
        ondrix_testing::AllocationCounter counter;
        for (int call = 0; call < 500; ++call) {
            out.clear();
            const bool playing = call >= 100 && call < 400;
            engine.step(4, host(playing, call * 0.0088, 132.0f), out);
        }
        engine.reset();
        small.clear();
        engine.step(4, free_running(), small);
        engine.step(0, free_running(), small);
        engine.invalidate_sent();
        engine.step(4, free_running(), small);
        return counter.count();
    };
    EXPECT_EQ(run(), 0u);
    EXPECT_EQ(small.capacity(), 3u);

    // The other motions, and a second pass over the same shapes after a patch change.
    engine.set_patch(every_shape_patch({Motion::Flow, Motion::Spin, Motion::Rain, Motion::Drift}));
    EXPECT_EQ(run(), 0u);
}

}  // namespace
}  // namespace ondrix_engine::testing
