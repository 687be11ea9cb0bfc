// The engine against the least work its patches need. Each benchmark runs its contestants in
// turn, in batches of 64 calls of four 1 ms ticks, within one process, and reports the thread CPU
// time per tick of each (`*_ns`) and their ratios, which stay meaningful on a loaded machine
// where the times alone do not.
//
//   T, W, W1024  the engine on the default patch, on the heavy patch W (512 routes) and on W with
//                1,024 routes, beside the mandated work of the same patch (mandated_work.hpp);
//                `ratio` = engine / limit. W1024 also runs W and its limit: `vs_W` = W1024 / W
//                for the engine, `limit_vs_W` the same for the limits (what the extra routes
//                must cost).
//   pond         one rain pond at 5 Hz whose spread moves on every tick, beside the same pond at a
//                fixed spread: `ratio` = moving / fixed.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chaos/chaos.hpp"
#include "engine.hpp"
#include "heavy_patch.hpp"
#include "mandated_work.hpp"
#include "settings/patch.hpp"

namespace {

using namespace ondrix_engine;
using settings::Patch;

constexpr std::uint32_t TICKS_PER_CALL = 4;
constexpr int CALLS_PER_BATCH = 64;

double thread_ns() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

struct Contestant {
    std::string name;
    std::function<void()> call;  // one call: four ticks
    double ns = 0.0;
};

// Runs the contestants in turn, a batch each per iteration, and sets `<name>_ns` per tick.
void race(benchmark::State& state, std::vector<Contestant>& field) {
    for (auto _ : state) {
        for (Contestant& c : field) {
            const double start = thread_ns();
            for (int n = 0; n < CALLS_PER_BATCH; ++n) c.call();
            c.ns += thread_ns() - start;
        }
    }
    const double ticks = static_cast<double>(state.iterations()) * CALLS_PER_BATCH * TICKS_PER_CALL;
    for (Contestant& c : field) {
        c.ns /= ticks;
        state.counters[c.name + "_ns"] = c.ns;
    }
}

// One call of the engine as the processor makes it, under a playing host at 120 BPM.
std::function<void()> engine_call(const Patch& patch) {
    struct Run {
        Engine engine;
        std::vector<Cc> out;
        StepContext context{1, 0.0, StepContext::HAS_TEMPO, 120.0f};
    };
    auto run = std::make_shared<Run>(Run{Engine(patch), {}, {}});
    run->out.reserve(512);
    return [run] {
        const double beats_per_call = TICKS_PER_CALL * static_cast<double>(120.0f / 60.0f * 0.001f);
        run->out.clear();
        run->engine.step(TICKS_PER_CALL, run->context, run->out);
        run->context.beat += beats_per_call;
        benchmark::DoNotOptimize(run->out.data());
        benchmark::DoNotOptimize(run->engine.values().data());
    };
}

std::function<void()> limit_call(const Patch& patch) {
    struct Run {
        ondrix_bench::MandatedWork work;
        std::vector<Cc> out;
    };
    auto run = std::make_shared<Run>(Run{ondrix_bench::MandatedWork(patch), {}});
    run->out.reserve(512);
    return [run] {
        run->out.clear();
        for (std::uint32_t t = 0; t < TICKS_PER_CALL; ++t) run->work.tick(t, run->out);
        benchmark::DoNotOptimize(run->out.data());
        benchmark::DoNotOptimize(run->work.values().data());
    };
}

void against_limit(benchmark::State& state, const Patch& patch) {
    std::vector<Contestant> field = {{"engine", engine_call(patch)}, {"limit", limit_call(patch)}};
    race(state, field);
    state.counters["ratio"] = field[0].ns / field[1].ns;
}

void T(benchmark::State& state) {
    against_limit(state, Patch::defaults());
}

void W(benchmark::State& state) {
    against_limit(state, ondrix_bench::heavy_patch(512));
}

void W1024(benchmark::State& state) {
    const Patch patch = ondrix_bench::heavy_patch(1024);
    const Patch w = ondrix_bench::heavy_patch(512);
    std::vector<Contestant> field = {{"engine", engine_call(patch)},
                                     {"limit", limit_call(patch)},
                                     {"W", engine_call(w)},
                                     {"W_limit", limit_call(w)}};
    race(state, field);
    state.counters["ratio"] = field[0].ns / field[1].ns;
    state.counters["vs_W"] = field[0].ns / field[2].ns;
    state.counters["limit_vs_W"] = field[1].ns / field[3].ns;
}

// A rain pond at 5 Hz reading its spread from `spreads`, one value a tick, round and round.
std::function<void()> pond_call(std::vector<float> spreads) {
    struct Run {
        chaos::Chaos pond{3, 1};
        std::uint32_t rng = 0x2545f491u;
        std::vector<float> spreads;
        std::size_t next = 0;
    };
    auto run = std::make_shared<Run>();
    run->spreads = std::move(spreads);
    return [run] {
        for (std::uint32_t t = 0; t < TICKS_PER_CALL; ++t) {
            const float spread = run->spreads[run->next];
            if (++run->next == run->spreads.size()) run->next = 0;
            benchmark::DoNotOptimize(
                run->pond.step(run->rng, 0.001f, 5.0f, 0.6f, 0.4f, spread, 0.0f));
        }
    };
}

void pond(benchmark::State& state) {
    // Two seconds of a spread swept over its whole range by a 0.5 Hz sine.
    std::vector<float> moving(2000);
    for (std::size_t n = 0; n < moving.size(); ++n) {
        moving[n] = 0.5f + 0.5f * std::sin(6.2831855f * 0.5f * static_cast<float>(n) * 0.001f);
    }
    std::vector<Contestant> field = {{"moving", pond_call(moving)},
                                     {"fixed", pond_call(std::vector<float>(2000, 1.0f))}};
    race(state, field);
    state.counters["ratio"] = field[0].ns / field[1].ns;
}

BENCHMARK(T);
BENCHMARK(W);
BENCHMARK(W1024);
BENCHMARK(pond);

}  // namespace
