// Reading a full patch as the editor page writes it: 16 sources, 64 outputs and 64 routes, every
// field spelled out (about 25 KB of text).
#include <string>

#include <benchmark/benchmark.h>

#include "json/parse.hpp"
#include "settings/patch.hpp"

namespace {

std::string page_patch() {
    static const char* const kShapes[] = {
        R"({"kind":"sine"})",
        R"({"kind":"triangle"})",
        R"({"kind":"drawn","table":[0,0.125,0.25,0.375,0.5,0.625,0.75,0.875,1,0.875,0.75,0.625,0.5,0.375,0.25,0.125]})",
        R"({"kind":"field","motion":"rain"})",
        R"({"kind":"lorenz"})",
        R"({"kind":"cvIn","channel":2})",
    };
    std::string text = R"({"sources":[)";
    for (int i = 0; i < 16; ++i) {
        if (i > 0) text += ',';
        text += R"({"enabled":true,"shape":)";
        text += kShapes[i % 6];
        text += i % 2 == 0
                    ? R"(,"rate":{"mode":"free","hz":)" + std::to_string(0.25 * (i + 1)) + "}"
                    : R"(,"rate":{"mode":"sync","beats":)" + std::to_string(i) + "}";
        text += R"(,"phase":0.125,"a":0.6499999761581421,"b":0.25,"spread":1,)"
                R"("depth":0.7599999904632568,"offset":-0.10000000149011612,"unipolar":false,)"
                R"("smooth":0.05000000074505806,"rough":0,"bits":0})";
    }
    text += R"(],"routes":[)";
    for (int i = 0; i < 64; ++i) {
        if (i > 0) text += ',';
        text += R"({"from":)" + std::to_string(i % 16) + R"(,"tap":)" + std::to_string(i % 4);
        text += i % 3 == 0 ? R"(,"to":"source","index":)" + std::to_string((i + 1) % 16) +
                                 R"(,"param":"depth")"
                           : R"(,"to":"output","index":)" + std::to_string(i);
        text += R"(,"amount":-0.375})";
    }
    text += R"(],"outputs":[)";
    for (int i = 0; i < 64; ++i) {
        if (i > 0) text += ',';
        text += R"({"enabled":true,"channel":0,"cc":)" + std::to_string(16 + i);
        text += R"(,"fine":false,"bipolar":true,"offset":-0.30000001192092896,)"
                R"("dest":{"kind":"midi"},"signal":{"kind":"routed"},"volts":[-5,5],)"
                R"("threshold":0.5,"gateVolts":5,"quantize":)";
        text += i % 2 == 0 ? R"(null})" : R"({"scale":"pentatonicMinor","root":0}})";
    }
    text += R"(],"tempo":120})";
    return text;
}

void BM_PatchFromText(benchmark::State& state) {
    const std::string text = page_patch();
    for (auto _ : state) {
        auto patch = ondrix_engine::settings::Patch::from_json_text(text);
        if (!patch.ok()) state.SkipWithError(patch.error().c_str());
        benchmark::DoNotOptimize(patch);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_PatchFromText)->Unit(benchmark::kMicrosecond);

void BM_PatchFromTree(benchmark::State& state) {
    const auto tree = ondrix_engine::json::parse(page_patch());
    for (auto _ : state) {
        auto patch = ondrix_engine::settings::Patch::from_json_tree(tree.value());
        if (!patch.ok()) state.SkipWithError(patch.error().c_str());
        benchmark::DoNotOptimize(patch);
    }
}
BENCHMARK(BM_PatchFromTree)->Unit(benchmark::kMicrosecond);

void BM_ParseTree(benchmark::State& state) {
    const std::string text = page_patch();
    for (auto _ : state) {
        auto tree = ondrix_engine::json::parse(text);
        benchmark::DoNotOptimize(tree);
    }
}
BENCHMARK(BM_ParseTree)->Unit(benchmark::kMicrosecond);

}  // namespace
