#include "helpers/categories.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace Vst3Adapter::detail {

namespace {

struct Translation {
    std::string_view clap;
    std::string_view vst3;
};

// The first row of a feature wins: the second "drum" row never applies.
constexpr Translation translationTable[] = {
    {"instrument", "Instrument"},
    {"audio-effect", "Fx"},
    {"note-effect", "Instrument|Synth"},
    {"drum", "Instrument|Drum"},
    {"analyzer", "Analyzer"},
    {"synthesizer", "Synth"},
    {"sampler", "Sampler"},
    {"drum", "Drum"},
    {"drum-machine", "Drum"},
    {"filter", "Filter"},
    {"phaser", "Modulation"},
    {"equalizer", "EQ"},
    {"de-esser", "Restoration"},
    {"phase-vocoder", "Modulation"},
    {"granular", "Synth"},
    {"frequency-shifter", "Modulator"},
    {"pitch-shifter", "Pitch Shifter"},
    {"distortion", "Distortion"},
    {"transient-shaper", "Distortion"},
    {"compressor", "Dynamics"},
    {"limiter", "Dynamics"},
    {"flanger", "Modulation"},
    {"chorus", "Modulation"},
    {"delay", "Delay"},
    {"reverb", "Reverb"},
    {"tremolo", "Modulation"},
    {"glitch", "Modulation"},
    {"utility", "Tools"},
    {"pitch-correction", "Pitch Shift"},
    {"restoration", "Restoration"},
    {"multi-effects", "Tools"},
    {"mixing", "Mixing"},
    {"mastering", "Mastering"},
    {"ara:required", "OnlyARA"},
    {"external", "External"},
};

// The VST3 field holds 128 bytes with the terminator.
constexpr std::size_t longestText = 127;

}  // namespace

std::string clapCategoriesToVST3(const char* const* features) {
    std::vector<std::string_view> found;
    for (auto at = features; at != nullptr && *at != nullptr; ++at) {
        const std::string_view feature = *at;
        const auto row = std::find_if(std::begin(translationTable), std::end(translationTable),
                                      [&](const Translation& t) { return t.clap == feature; });
        if (row != std::end(translationTable)) {
            found.push_back(row->vst3);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());

    std::string joined;
    for (const std::string_view text : found) {
        if (joined.size() + text.size() > longestText) {
            break;
        }
        joined.append(text).append("|");
    }
    if (!joined.empty()) {
        joined.pop_back();
    }
    return joined;
}

}  // namespace Vst3Adapter::detail
