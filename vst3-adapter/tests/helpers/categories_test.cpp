#include "helpers/categories.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string categoriesOf(std::vector<const char*> features) {
    features.push_back(nullptr);
    return Vst3Adapter::detail::clapCategoriesToVST3(features.data());
}

TEST(Categories, SortedWithoutRepeatsFirstRowWinning) {
    struct Row {
        std::vector<const char*> features;
        const char* categories;
    };
    const Row rows[] = {
        {{"note-effect", "utility"}, "Instrument|Synth|Tools"},
        {{"audio-effect", "reverb", "delay"}, "Delay|Fx|Reverb"},
        {{"instrument", "synthesizer", "granular"}, "Instrument|Synth"},
        {{"drum"}, "Instrument|Drum"},
        {{"Instrument", "no-such-feature"}, ""},  // exact, case-sensitive matches only
        {{}, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(categoriesOf(row.features), row.categories);
    }
    EXPECT_EQ(Vst3Adapter::detail::clapCategoriesToVST3(nullptr), "");
}

// Joined whole, these would take 128 characters: the VST3 field would lose its terminator. The
// list ends at the last whole category that keeps it within 127.
TEST(Categories, ALongListEndsAtTheLastWholeCategoryThatFits) {
    const std::string categories =
        categoriesOf({"ara:required", "de-esser", "distortion", "drum", "frequency-shifter",
                      "instrument", "mixing", "note-effect", "phaser", "pitch-correction",
                      "pitch-shifter"});
    EXPECT_EQ(categories,
              "Distortion|Instrument|Instrument|Drum|Instrument|Synth|Mixing|Modulation|"
              "Modulator|OnlyARA|Pitch Shift|Pitch Shifter");
    EXPECT_LE(categories.size(), 127u);
}

}  // namespace
