// One control tick of each chaos generator kind, at a typical setting (2 Hz) and at a high rate
// (200 Hz), with a 0.5, b 0.5, spread 1.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "chaos/chaos.hpp"

namespace {

using ondrix_engine::chaos::Chaos;

constexpr const char* kind_names[] = {"drift", "flow",     "spin",   "rain",  "wave",
                                      "cells", "pendulum", "lorenz", "wander"};

void chaos_step(benchmark::State& state) {
    const auto kind = static_cast<std::uint8_t>(state.range(0));
    const auto rate = static_cast<float>(state.range(1));
    state.SetLabel(kind_names[kind]);
    Chaos chaos(kind, 1);
    std::uint32_t rng = 1;
    float phase = 0.0f;
    for (auto _ : state) {
        phase += rate * 0.001f;
        if (phase >= 1.0f) phase -= 1.0f;
        benchmark::DoNotOptimize(chaos.step(rng, 0.001f, rate, 0.5f, 0.5f, 1.0f, phase));
    }
}

BENCHMARK(chaos_step)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {2, 200}})
    ->ArgNames({"kind", "hz"});

}  // namespace
