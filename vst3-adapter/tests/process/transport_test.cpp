#include "adapter_fixture.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace process_testing {
namespace {

constexpr double unit = 2147483648.0;  // 2^31: one beat or second
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

TEST(FixedPointTime, RoundsToTheNearestAndSaturates) {
    const std::pair<double, std::int64_t> cases[] = {
        {0.5, 1 << 30},  {-0.5, -(1 << 30)},       {0x1p-32, 1},      {-0x1p-32, -1},
        {0x1p-33, 0},    {1e300, int64Max},        {-1e300, int64Min}, {inf, int64Max},
        {-inf, int64Min}, {nan, 0},                {0x1p32, int64Max}, {-0x1p32, int64Min},
    };
    for (const auto& [value, fixed] : cases) {
        EXPECT_EQ(Clap::doubleToSecTime(value), fixed) << value;
        EXPECT_EQ(Clap::doubleToBeatTime(value), fixed) << value;
    }
}

struct Row {
    const char* name;
    ProcessContext context;
    std::uint32_t flags;
    double beats, seconds, tempo, loopStart, loopEnd, barStart;
    std::uint16_t numerator, denominator;
};

ProcessContext context(uint32 state) {
    ProcessContext c{};
    c.state = state;
    c.sampleRate = 48000;
    c.projectTimeSamples = 96000;
    c.projectTimeMusic = 8.5;
    c.barPositionMusic = 1.0 / 3.0;  // truncated, not rounded: 715827882.67 gives ...882
    c.cycleStartMusic = 4;
    c.cycleEndMusic = 12;
    c.tempo = 90;
    c.timeSigNumerator = 3;
    c.timeSigDenominator = 8;
    return c;
}

ProcessContext with(ProcessContext c, void (*change)(ProcessContext&)) {
    change(c);
    return c;
}

TEST(Transport, FromTheHostContext) {
    constexpr uint32 all = ProcessContext::kPlaying | ProcessContext::kRecording |
                           ProcessContext::kCycleActive | ProcessContext::kProjectTimeMusicValid |
                           ProcessContext::kBarPositionValid | ProcessContext::kCycleValid |
                           ProcessContext::kTempoValid | ProcessContext::kTimeSigValid;
    constexpr std::uint32_t seconds = CLAP_TRANSPORT_HAS_SECONDS_TIMELINE;
    const Row rows[] = {
        {"tempo only", context(ProcessContext::kTempoValid), CLAP_TRANSPORT_HAS_TEMPO | seconds,
         0, 2, 90, 0, 0, 0, 4, 4},
        {"everything", context(all), 0x7F, 8.5, 2, 90, 4, 12, 715827882.0 / unit, 3, 8},
        {"bar without musical time", context(ProcessContext::kBarPositionValid), seconds, 0, 2,
         120, 0, 0, 715827882.0 / unit, 4, 4},
        {"NaN tempo",
         with(context(ProcessContext::kTempoValid), [](ProcessContext& c) { c.tempo = nan; }),
         seconds, 0, 2, 120, 0, 0, 0, 4, 4},
        {"tempo 0",
         with(context(ProcessContext::kTempoValid), [](ProcessContext& c) { c.tempo = 0; }),
         seconds, 0, 2, 120, 0, 0, 0, 4, 4},
        {"infinite tempo",
         with(context(ProcessContext::kTempoValid), [](ProcessContext& c) { c.tempo = inf; }),
         seconds, 0, 2, 120, 0, 0, 0, 4, 4},
        {"sample rate 0",
         with(context(ProcessContext::kPlaying), [](ProcessContext& c) { c.sampleRate = 0; }),
         CLAP_TRANSPORT_IS_PLAYING | seconds, 0, 0, 120, 0, 0, 0, 4, 4},
        {"time signature over 0",
         with(context(ProcessContext::kTimeSigValid),
              [](ProcessContext& c) { c.timeSigDenominator = 0; }),
         seconds, 0, 2, 120, 0, 0, 0, 4, 4},
        {"cycle valid, not active", context(ProcessContext::kCycleValid), seconds, 0, 2, 120, 4,
         12, 0, 4, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AdapterFixture fixture;
        fixture.context = row.context;
        const Call& call = fixture.run();
        ASSERT_TRUE(call.hasTransport);
        const clap_event_transport_t& t = call.transport;
        EXPECT_EQ(t.header.size, sizeof(clap_event_transport_t));
        EXPECT_EQ(t.header.type, CLAP_EVENT_TRANSPORT);
        EXPECT_EQ(t.header.time, 0u);
        EXPECT_EQ(t.flags, row.flags);
        EXPECT_EQ(t.song_pos_beats, static_cast<std::int64_t>(row.beats * unit));
        EXPECT_EQ(t.song_pos_seconds, static_cast<std::int64_t>(row.seconds * unit));
        EXPECT_EQ(t.tempo, row.tempo);
        EXPECT_EQ(t.tempo_inc, 0);
        EXPECT_EQ(t.loop_start_beats, static_cast<std::int64_t>(row.loopStart * unit));
        EXPECT_EQ(t.loop_end_beats, static_cast<std::int64_t>(row.loopEnd * unit));
        EXPECT_EQ(t.loop_start_seconds, 0);
        EXPECT_EQ(t.loop_end_seconds, 0);
        EXPECT_EQ(t.bar_start, static_cast<std::int64_t>(row.barStart * unit));
        EXPECT_EQ(t.bar_number, 0);
        EXPECT_EQ(t.tsig_num, row.numerator);
        EXPECT_EQ(t.tsig_denom, row.denominator);
        EXPECT_EQ(call.steadyTime, 96000);
    }
}

TEST(Transport, WithoutContextFlagsAreClearedAndPositionsKept) {
    AdapterFixture fixture;
    ProcessData free = fixture.block(64);
    free.processContext = nullptr;
    EXPECT_EQ(fixture.run(free).steadyTime, -1) << "no context seen yet";
    fixture.context = context(ProcessContext::kProjectTimeMusicValid | ProcessContext::kTempoValid);
    fixture.run();

    const Call& call = fixture.run(free);
    EXPECT_EQ(call.transport.flags, 0u);
    EXPECT_EQ(call.transport.song_pos_beats, static_cast<std::int64_t>(8.5 * unit));
    EXPECT_EQ(call.transport.tempo, 90);
    EXPECT_EQ(call.steadyTime, 96000);
}

}  // namespace
}  // namespace process_testing
