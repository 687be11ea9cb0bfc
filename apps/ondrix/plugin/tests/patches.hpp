#pragma once

#include <string>

namespace ondrix_plugin_testing {

// Output 0 (cc 20) holds 0.5: it sends 64 once and then stays quiet.
inline const std::string CONSTANT_PATCH =
    R"({"sources":[],"outputs":[{"cc":20,"offset":0.5,"bipolar":false}]})";

// A 100 Hz saw on output 0 (cc 20): at a 1 kHz sample rate every sample carries one control
// change.
inline const std::string SAW_PATCH =
    R"({"sources":[{"shape":{"kind":"saw"},"rate":{"mode":"free","hz":100}}],)"
    R"("routes":[{"from":0,"tap":0,"to":"output","index":0,"amount":1}],"outputs":[{"cc":20}]})";

// Output 0 (cc 21) is the run signal: 127 while the engine runs, 0 while the host stops.
inline const std::string RUN_PATCH =
    R"({"sources":[],"outputs":[{"cc":21,"signal":{"kind":"run"},"bipolar":false}]})";

// A saw locked to the host beat, one cycle per beat, on output 0 (cc 20).
inline const std::string BEAT_SAW_PATCH =
    R"({"sources":[{"shape":{"kind":"saw"},"rate":{"mode":"sync","beats":1}}],)"
    R"("routes":[{"from":0,"tap":0,"to":"output","index":0,"amount":1}],"outputs":[{"cc":20}]})";

inline std::string state_of(const std::string& patch) {
    return R"({"patch":)" + patch + R"(,"version":1})";
}

}  // namespace ondrix_plugin_testing
