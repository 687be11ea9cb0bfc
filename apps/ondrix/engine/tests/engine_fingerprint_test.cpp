#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "checksum.hpp"
#include "engine.hpp"
#include "heavy_patch.hpp"
#include "patch_builders.hpp"

namespace ondrix_engine::testing {
namespace {

// The patches the speed benchmarks run, 45 seconds each (45,000 ticks, four a call): stopped,
// then playing at 120 BPM with a restart in the middle, then without host tempo. Every tap, every
// output value and every Cc record of every call goes into the fingerprint, so a faster engine
// that changes any bit of any result fails here. The fingerprints were taken from the engine
// before any speed work; they change only with an intended change of results.
TEST(EngineFingerprint, BenchmarkPatchesGiveTheSameResultsToTheBit) {
    struct Case {
        std::string name;
        Patch patch;
        std::uint64_t records;
        std::uint64_t hash;
    };
    const std::vector<Case> cases = {
        {"T", Patch::defaults(), 8574u, 0xa4cde7d22dce0881ull},
        {"W", ondrix_bench::heavy_patch(512), 2174388u, 0xeb7dc829996c7098ull},
        {"W1024", ondrix_bench::heavy_patch(1024), 1541268u, 0xfae100e78689c302ull},
    };
    const double beats_per_call = 4.0 * static_cast<double>(120.0f / 60.0f * 0.001f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Engine engine(c.patch);
        std::vector<Cc> out;
        out.reserve(512);
        Checksum sum;
        std::uint64_t records = 0;
        for (int call = 0; call < 11250; ++call) {
            StepContext context = free_running();
            if (call < 1000) {
                context = host(false, 0.0, 120.0f);
            } else if (call < 10000) {
                context = host(true, (call - 1000) * beats_per_call, 120.0f);
            }
            if (call == 6000) engine.reset();
            out.clear();
            engine.step(4, context, out);
            sum.add_step(engine, out);
            records += out.size();
        }
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(sum.hash, c.hash) << std::hex << "0x" << sum.hash;
    }
}

}  // namespace
}  // namespace ondrix_engine::testing
