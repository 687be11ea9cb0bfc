#include "core.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "json/parse.hpp"
#include "settings/patch.hpp"
#include "test_patches.hpp"

namespace ondrix_plugin_core {
namespace {

using nlohmann::json;
using ondrix_engine::settings::Patch;

Patch read_patch(const json& tree) {
    return Patch::from_json_tree(tree).value();
}

TEST(StateDocument, FreshCoreSavesNoPatch) {
    Core core;
    EXPECT_EQ(core.save_state(), R"({"patch":null,"version":1})");
    EXPECT_FALSE(core.patch_json().has_value());
}

TEST(StateDocument, KeepsThePatchAsGivenWithSortedMembers) {
    Core core;
    auto given = ondrix_engine::json::parse(
        R"({"tempo":120,"sources":[],
            "outputs":[{"offset":0.1,"cc":16,"volts":[-5,5.5]}],
            "extra":true,"later":{"z":1,"a":[3,2,1]}})");
    ASSERT_TRUE(given.ok());
    ASSERT_TRUE(core.set_patch(given.value()));

    const std::string saved = core.save_state();
    EXPECT_EQ(saved,
              R"({"patch":{"extra":true,"later":{"a":[3,2,1],"z":1},)"
              R"("outputs":[{"cc":16,"offset":0.1,"volts":[-5,5.5]}],"sources":[],"tempo":120},)"
              R"("version":1})");

    // What was saved loads back into the same document.
    Core reloaded;
    ASSERT_TRUE(reloaded.load_state(saved));
    EXPECT_EQ(reloaded.save_state(), saved);
}

TEST(StateDocument, EveryAcceptedStateFitsTheBoundWhenSavedAgain) {
    constexpr std::size_t bound = std::size_t{4} * 1024 * 1024;
    const std::string document = R"({"patch":)" + test_patches::constant(0.25).dump() + "}";

    std::string at_the_bound = document;
    at_the_bound.resize(bound, ' ');
    Core core;
    EXPECT_TRUE(core.load_state(at_the_bound));
    EXPECT_FALSE(core.load_state(at_the_bound + ' '));
    EXPECT_EQ(core.loaded_epoch(), 1u);

    // "1e9" is written back as "1000000000.0": a patch under the bound as read that would be
    // saved over it is refused, so no saved state is ever one the plug-in cannot load.
    std::string numbers = R"({"sources":[],"outputs":[],"spare":[1e9)";
    while (numbers.size() < bound - 64) numbers += ",1e9";
    numbers += "]}";
    const std::string growing = R"({"patch":)" + numbers + "}";
    ASSERT_LE(growing.size(), bound);
    Core fresh;
    EXPECT_FALSE(fresh.load_state(growing));
    EXPECT_FALSE(fresh.set_patch(ondrix_engine::json::parse(numbers).value()));
    EXPECT_EQ(fresh.save_state(), R"({"patch":null,"version":1})");
}

TEST(StateDocument, LoadingAcceptsRefusesAndCounts) {
    const json kept = test_patches::constant(0.25);
    const json replacement = test_patches::constant(0.75);
    struct Case {
        std::string document;
        bool accepted;
        bool applied;
    };
    const std::vector<Case> cases = {
        {"{}", true, false},
        {"[1,2]", true, false},
        {"5", true, false},
        {R"({"patch":null,"version":1})", true, false},
        {R"({"version":2,"patch":)" + replacement.dump() + "}", true, true},
        {R"({"patch":{"sources":"x"}})", false, false},
        {R"({"patch":5})", false, false},
        {"", false, false},
        {R"({"patch":)", false, false},
        {"{} {}", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.document);
        Core core;
        ASSERT_TRUE(core.set_patch(kept));

        EXPECT_EQ(core.load_state(c.document), c.accepted);

        EXPECT_EQ(core.loaded_epoch(), c.accepted ? 1u : 0u);
        const json& expected = c.applied ? replacement : kept;
        EXPECT_EQ(core.patch_json(), expected);
        EXPECT_EQ(core.take_pending_patch(), read_patch(expected));
    }
}

TEST(Core, RefusedPatchChangesNothing) {
    Core core;
    EXPECT_FALSE(core.set_patch(json{{"sources", "x"}}));
    EXPECT_FALSE(core.patch_json().has_value());
    EXPECT_FALSE(core.take_pending_patch().has_value());

    ASSERT_TRUE(core.set_patch(test_patches::constant(0.5)));
    EXPECT_FALSE(core.set_patch(json::array()));
    EXPECT_EQ(core.patch_json(), test_patches::constant(0.5));
    EXPECT_EQ(core.take_pending_patch(), read_patch(test_patches::constant(0.5)));
}

TEST(Core, LaterPatchReplacesOneStillPendingAndIsTakenOnce) {
    Core core;
    ASSERT_TRUE(core.set_patch(test_patches::constant(0.25)));
    ASSERT_TRUE(core.set_patch(test_patches::constant(0.75)));

    EXPECT_EQ(core.take_pending_patch(), read_patch(test_patches::constant(0.75)));
    EXPECT_FALSE(core.take_pending_patch().has_value());
    // The patch JSON stays for saving after the patch itself was taken.
    EXPECT_EQ(core.patch_json(), test_patches::constant(0.75));
}

TEST(Core, PatchRevisionCountsOnlyChangesToThePatch) {
    Core core;
    const struct {
        const char* name;
        json patch;
        std::uint32_t revision;
    } steps[] = {
        {"a refused patch", json{{"sources", "x"}}, 0},
        {"the first patch", test_patches::constant(0.5), 1},
        {"the same tree again", test_patches::constant(0.5), 1},
        {"a different patch", test_patches::constant(0.75), 2},
        {"a refused patch after it", json::array(), 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        core.set_patch(step.patch);
        EXPECT_EQ(core.patch_revision(), step.revision);
    }
}

TEST(Core, RestartRequestIsTakenOnce) {
    Core core;
    EXPECT_FALSE(core.take_restart_request());
    core.restart();
    core.restart();
    EXPECT_TRUE(core.take_restart_request());
    EXPECT_FALSE(core.take_restart_request());
}

// Fills a trace frame whose every element is `mark`, so frames can be told apart.
struct Frame {
    explicit Frame(float mark) {
        taps.fill(mark);
        values.fill(mark);
    }
    std::array<float, LIVE_SOURCE_COUNT> taps{};
    std::array<float, LIVE_OUTPUT_COUNT> values{};
};

TEST(LiveValues, TakeCopiesCellsAndHandsOverWholeFramesOnce) {
    Core core;
    std::array<float, LIVE_SOURCE_COUNT> sources{};
    std::array<float, LIVE_OUTPUT_COUNT> outputs{};
    for (std::size_t i = 0; i < sources.size(); ++i) sources[i] = static_cast<float>(i);
    for (std::size_t i = 0; i < outputs.size(); ++i) outputs[i] = 1.0f / static_cast<float>(i + 1);
    core.store_live(sources, outputs);
    ASSERT_TRUE(core.try_record(sources, outputs));
    ASSERT_TRUE(core.try_record(Frame(7).taps, Frame(7).values));

    Live first = core.take_live();
    EXPECT_EQ(first.sources, sources);
    EXPECT_EQ(first.outputs, outputs);
    ASSERT_EQ(first.trace.size(), 2 * TRACE_FRAME_SIZE);
    EXPECT_TRUE(std::equal(sources.begin(), sources.end(), first.trace.begin()));
    EXPECT_TRUE(std::equal(outputs.begin(), outputs.end(), first.trace.begin() + 64));
    EXPECT_EQ(first.trace[TRACE_FRAME_SIZE], 7.0f);

    Live second = core.take_live();
    EXPECT_TRUE(second.trace.empty());
    EXPECT_EQ(second.sources, sources);
}

TEST(LiveValues, TraceNotTakenFor65FramesRestartsWithTheNewest) {
    Core core;
    // Each take hands the audio side an empty list with the same room of 64 frames, so the rounds
    // after the first behave as the first does, whether a take makes a new Live or reuses one
    // (which starts out holding a stale value and no room).
    Live kept;
    kept.trace = {-1.0f};
    struct Round {
        int frames;
        int first_kept;
        bool into_kept;
    };
    for (const Round round : {Round{64, 1, false}, Round{65, 65, true}, Round{64, 1, true},
                              Round{130, 129, false}, Round{64, 1, true}}) {
        SCOPED_TRACE(round.frames);
        for (int frame = 1; frame <= round.frames; ++frame) {
            ASSERT_TRUE(core.try_record(Frame(frame).taps, Frame(frame).values));
        }
        Live taken;
        if (round.into_kept) {
            core.take_live(kept);
        } else {
            taken = core.take_live();
        }
        const Live& live = round.into_kept ? kept : taken;
        std::vector<float> expected;
        for (int frame = round.first_kept; frame <= round.frames; ++frame) {
            expected.insert(expected.end(), TRACE_FRAME_SIZE, static_cast<float>(frame));
        }
        EXPECT_EQ(live.trace, expected);
    }
}

}  // namespace
}  // namespace ondrix_plugin_core
