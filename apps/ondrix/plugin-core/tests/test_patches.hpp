#pragma once

#include <nlohmann/json.hpp>

// Small patches whose behaviour is easy to see from outside the engine.
namespace ondrix_plugin_core::test_patches {

// No sources and one unipolar output without routes on cc 20: output 0 holds `level` exactly.
inline nlohmann::json constant(double level) {
    return {{"sources", nlohmann::json::array()},
            {"outputs", {{{"cc", 20}, {"bipolar", false}, {"offset", level}}}}};
}

// A 1 Hz saw into a 14-bit output on cc 1 (and 33): its lower half changes on every tick, so
// every control tick shows up as at least one event at the tick's sample.
inline nlohmann::json saw_every_tick() {
    return {{"sources", {{{"shape", {{"kind", "saw"}}}, {"rate", {{"mode", "free"}, {"hz", 1}}}}}},
            {"routes", {{{"from", 0}, {"tap", 0}, {"to", "output"}, {"index", 0}, {"amount", 1}}}},
            {"outputs", {{{"cc", 1}, {"fine", true}}}}};
}

// A reset pulse on output 0 (cc 30): 127 for the ten ticks after a restart, else 0.
inline nlohmann::json reset_pulse() {
    return {{"sources", nlohmann::json::array()},
            {"outputs", {{{"cc", 30}, {"signal", {{"kind", "reset"}}}}}}};
}

// 64 busy 7-bit outputs, each fed by a fast saw: about 64 events on every tick.
inline nlohmann::json busy_outputs() {
    nlohmann::json sources = nlohmann::json::array();
    for (int s = 0; s < 16; ++s) {
        sources.push_back({{"shape", {{"kind", "saw"}}}, {"rate", {{"mode", "free"}, {"hz", 50}}}});
    }
    nlohmann::json routes = nlohmann::json::array();
    nlohmann::json outputs = nlohmann::json::array();
    for (int o = 0; o < 64; ++o) {
        routes.push_back(
            {{"from", o % 16}, {"tap", o / 16}, {"to", "output"}, {"index", o}, {"amount", 1}});
        outputs.push_back({{"cc", 40 + o}});
    }
    return {{"sources", sources}, {"routes", routes}, {"outputs", outputs}};
}

}  // namespace ondrix_plugin_core::test_patches
