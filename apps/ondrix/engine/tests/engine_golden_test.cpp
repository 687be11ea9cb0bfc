#include <gtest/gtest.h>

#include <cstdint>

#include "checksum.hpp"
#include "engine.hpp"
#include "every_shape_patch.hpp"

namespace ondrix_engine::testing {
namespace {

// Ten seconds of the every-shape patch as the processor would run it, four ticks a call: two
// seconds stopped, then playing (with a restart in the middle), then without host tempo.
// Any change to the engine's numbers, its draws or its records changes the checksum; when such a
// change is intended, record the new value printed by the failure.
TEST(EngineGolden, TenSecondsOfEveryShape) {
    Engine engine(every_shape_patch());
    std::vector<Cc> out;
    out.reserve(512);
    Checksum sum;
    std::uint64_t records = 0;
    const double beats_per_call = 4.0 * static_cast<double>(132.0f / 60.0f * 0.001f);
    for (int call = 0; call < 2500; ++call) {
        StepContext context;
        if (call < 500) {
            context = host(false, 0.0, 132.0f);
        } else if (call < 2200) {
            context = host(true, 0.5 + (call - 500) * beats_per_call, 132.0f);
        } else {
            context = free_running();
        }
        if (call == 1200) engine.reset();
        out.clear();
        engine.step(4, context, out);
        sum.add_step(engine, out);
        records += out.size();
    }
    EXPECT_EQ(records, 100253u);
    EXPECT_EQ(sum.hash, 0x1f3b8d2420515c3bull) << std::hex << "0x" << sum.hash;
}

}  // namespace
}  // namespace ondrix_engine::testing
