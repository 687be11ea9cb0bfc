// ClapAsVst3 as an audio processor: processing set-up, when a block reaches the plug-in, bus
// arrangements and bus information from the plug-in's audio ports, latency and tail.

#include "clap_as_vst3_fakes.hpp"

#include "process_adapter.hpp"
#include "sdk/string_convert.hpp"

#include "pluginterfaces/vst/vstspeaker.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace {

using namespace component_testing;

struct Processing : testing::Test {
    FakePlugin fake;
};

TEST_F(Processing, SetupProcessingStoresOnlyWhatItAccepts) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        ProcessSetup setup;
    } refused[] = {
        {"64-bit samples", {kRealtime, kSample64, 256, 96000.0}},
        {"no sample rate", {kRealtime, kSample32, 256, 0.0}},
        {"negative sample rate", {kRealtime, kSample32, 256, -44100.0}},
        {"NaN sample rate", {kRealtime, kSample32, 256, nan}},
        {"infinite sample rate", {kRealtime, kSample32, 256, inf}},
        {"no samples per block", {kRealtime, kSample32, 0, 96000.0}},
        {"negative samples per block", {kRealtime, kSample32, -1, 96000.0}},
    };
    Component c(fake);
    ASSERT_TRUE(c.initialize());  // 48 kHz, blocks of 64
    for (const auto& row : refused) {
        ProcessSetup setup = row.setup;
        EXPECT_EQ(c.processor->setupProcessing(setup), kResultFalse) << row.name;
    }
    EXPECT_EQ(c.processor->canProcessSampleSize(kSample64), kResultFalse);
    EXPECT_EQ(c.processor->canProcessSampleSize(kSample32), kResultOk);

    // The plug-in is activated with what the last accepted set-up gave, maximum as minimum.
    fake.take();
    ASSERT_EQ(c.component->setActive(true), kResultOk);
    EXPECT_EQ(fake.take(), Calls{"activate 48000 64 64"});
}

TEST_F(Processing, TheRenderModeFollowsTheProcessMode) {
    fake.withRender = true;
    Component c(fake);
    ASSERT_TRUE(c.initialize());
    fake.take();
    ProcessSetup offline{kOffline, kSample32, 128, 44100.0};
    ProcessSetup prefetch{kPrefetch, kSample32, 128, 44100.0};
    EXPECT_EQ(c.processor->setupProcessing(offline), kResultOk);
    EXPECT_EQ(c.processor->setupProcessing(prefetch), kResultOk);
    EXPECT_EQ(fake.take(), (Calls{"render 1", "render 0"}));

    // A plug-in that must run in real time refuses any other mode, and keeps its set-up.
    fake.hardRealtime = true;
    EXPECT_EQ(c.processor->setupProcessing(offline), kResultFalse);
    EXPECT_EQ(fake.take(), Calls{});
    ASSERT_EQ(c.component->setActive(true), kResultOk);
    EXPECT_EQ(fake.take(), Calls{"activate 44100 128 128"});
}

TEST_F(Processing, ABlockReachesThePluginOnlyWhileActiveAndProcessing) {
    Component c(fake);
    Block block;
    ASSERT_TRUE(c.initialize());
    EXPECT_EQ(c.processor->process(block.data), kNotInitialized);
    ASSERT_EQ(c.component->setActive(true), kResultOk);
    EXPECT_EQ(c.processor->process(block.data), kNotInitialized);
    ASSERT_EQ(c.processor->setProcessing(true), kResultOk);
    fake.take();
    EXPECT_EQ(c.processor->process(block.data), kResultOk);
    EXPECT_EQ(fake.take(), Calls{"process"});

    ASSERT_EQ(c.processor->setProcessing(false), kResultOk);
    EXPECT_EQ(c.processor->process(block.data), kNotInitialized);
    EXPECT_EQ(fake.take(), Calls{});
}

// The audio thread only counts the events a block had no room for; the idle tick logs them.
TEST_F(Processing, DroppedHostEventsAreLoggedAtTheNextIdleTick) {
    Component c(fake);
    Block block;
    ASSERT_TRUE(c.start());
    Event off{};
    off.type = Event::kNoteOffEvent;
    off.noteOff = {0, 60, 0.5f, -1, 0};
    process_testing::EventList many;
    many.events.assign(Clap::ProcessAdapter::reservedEvents + 5, off);
    block.data.inputEvents = &many;

    testing::internal::CaptureStdout();
    EXPECT_EQ(c.processor->process(block.data), kResultOk);
    EXPECT_EQ(c.processor->process(block.data), kResultOk);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    c.object->onIdle();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find(") 10 host events dropped: a block holds 8192 at most\n"), std::string::npos)
        << log;
    testing::internal::CaptureStdout();
    c.object->onIdle();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "counted once";
}

// The host asks for the transport it would otherwise be free to leave out.
TEST_F(Processing, AsksForTempoPositionCycleSignatureAndTransport) {
    Component c(fake);
    auto* requirements = c.ask<IProcessContextRequirements>(IProcessContextRequirements::iid);
    ASSERT_NE(requirements, nullptr);
    EXPECT_EQ(requirements->getProcessContextRequirements(), 0x4DCu);
}

// The plug-in's ports are fixed: no input, one stereo output, as ours.
TEST_F(Processing, FixedPortsTakeOnlyTheArrangementTheyHave) {
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement two[] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
    const struct {
        const char* name;
        SpeakerArrangement* inputs;
        int32 numIns;
        SpeakerArrangement* outputs;
        int32 numOuts;
        tresult result;
    } rows[] = {
        {"stereo out", nullptr, 0, &stereo, 1, kResultOk},
        {"mono out", nullptr, 0, &mono, 1, kResultFalse},
        {"an input", &stereo, 1, &stereo, 1, kResultFalse},
        {"no output", nullptr, 0, nullptr, 0, kResultFalse},
        {"two outputs", nullptr, 0, two, 2, kResultFalse},
        {"negative input count", nullptr, -1, &stereo, 1, kResultFalse},
        {"negative output count", nullptr, 0, &stereo, -1, kResultFalse},
        {"no output array", nullptr, 0, nullptr, 1, kResultFalse},
        {"no input array", nullptr, 1, &stereo, 1, kResultFalse},
    };
    Component c(fake);
    ASSERT_TRUE(c.initialize());
    for (const auto& row : rows) {
        EXPECT_EQ(c.processor->setBusArrangements(row.inputs, row.numIns, row.outputs, row.numOuts),
                  row.result)
            << row.name;
    }
    SpeakerArrangement kept = 0;
    EXPECT_EQ(c.processor->getBusArrangement(kOutput, 0, kept), kResultOk);
    EXPECT_EQ(kept, SpeakerArr::kStereo);
}

TEST_F(Processing, ConfigurablePortsAreAskedAndTheBusesRebuilt) {
    fake.withConfigurablePorts = true;
    Component c(fake);
    ASSERT_TRUE(c.initialize());
    fake.take();
    SpeakerArrangement input = SpeakerArr::k51;
    SpeakerArrangement output = SpeakerArr::kMono;
    EXPECT_EQ(c.processor->setBusArrangements(&input, 1, &output, 1), kResultOk);
    EXPECT_EQ(fake.take(), Calls{"apply_configuration in0:6:- out0:1:mono"});
    EXPECT_EQ(c.component->getBusCount(kAudio, kInput), 1);
    SpeakerArrangement now = 0;
    EXPECT_EQ(c.processor->getBusArrangement(kOutput, 0, now), kResultOk);
    EXPECT_EQ(now, SpeakerArr::kMono);

    // Refused: the ports stay as they are and must match by themselves.
    fake.acceptsConfiguration = false;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    EXPECT_EQ(c.processor->setBusArrangements(&input, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(c.processor->setBusArrangements(&input, 1, &output, 1), kResultOk);
}

TEST_F(Processing, BusInfoComesFromThePorts) {
    // An input that is not the main one, with a name filling its whole field.
    fake.audioInputs = {audioPort(1, CLAP_PORT_MONO, 0, "side")};
    std::memset(fake.audioInputs[0].name, 'n', sizeof fake.audioInputs[0].name);
    Component c(fake);
    ASSERT_TRUE(c.initialize());

    BusInfo output{};
    ASSERT_EQ(c.component->getBusInfo(kAudio, kOutput, 0, output), kResultOk);
    EXPECT_EQ(StringConvert::convert(output.name), "main");
    EXPECT_EQ(output.channelCount, 2);
    EXPECT_EQ(output.busType, kMain);
    EXPECT_EQ(output.flags, static_cast<uint32>(BusInfo::kDefaultActive));
    EXPECT_EQ(output.direction, kOutput);

    BusInfo input{};
    ASSERT_EQ(c.component->getBusInfo(kAudio, kInput, 0, input), kResultOk);
    EXPECT_EQ(input.busType, kAux);
    EXPECT_EQ(input.channelCount, 1);
    // Cut to the field, with nothing from past the port's name.
    const std::string name = StringConvert::convert(input.name);
    EXPECT_GT(name.size(), 100u);
    EXPECT_EQ(name.find_first_not_of('n'), std::string::npos);

    BusInfo none{};
    EXPECT_EQ(c.component->getBusInfo(kAudio, kOutput, 1, none), kResultFalse);
    EXPECT_EQ(c.component->getBusInfo(kAudio, kOutput, -1, none), kResultFalse);
    EXPECT_NE(c.component->getBusInfo(kEvent, kOutput, 0, none), kResultOk);
}

TEST_F(Processing, LatencyAskedBeforeActivationIsReportedRightAfterIt) {
    fake.withLatency = true;
    fake.latency = 128;
    Component c(fake);
    ASSERT_TRUE(c.initialize());
    EXPECT_EQ(c.processor->getLatencySamples(), 0u);
    EXPECT_EQ(c.handler.take(), Calls{});
    ASSERT_EQ(c.component->setActive(true), kResultOk);
    EXPECT_EQ(c.handler.take(), Calls{"restartComponent 8"});
    EXPECT_EQ(c.processor->getLatencySamples(), 128u);

    // Once told, a later activation reports nothing.
    ASSERT_EQ(c.component->setActive(false), kResultOk);
    ASSERT_EQ(c.component->setActive(true), kResultOk);
    EXPECT_EQ(c.handler.take(), Calls{});
}

TEST_F(Processing, TailFromThePluginWithInfiniteAtTheTop) {
    fake.withTail = true;
    Component c(fake);
    ASSERT_TRUE(c.initialize());
    fake.tail = 100;
    EXPECT_EQ(c.processor->getTailSamples(), 0u);  // not active
    ASSERT_EQ(c.component->setActive(true), kResultOk);
    const struct {
        uint32_t clap;
        uint32 vst3;
    } rows[] = {
        {0, 0}, {100, 100}, {0x7FFFFFFE, 0x7FFFFFFE}, {0x7FFFFFFF, 0xFFFFFFFF},
        {0x80000000, 0xFFFFFFFF}, {0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const auto& row : rows) {
        fake.tail = row.clap;
        EXPECT_EQ(c.processor->getTailSamples(), row.vst3) << row.clap;
    }
}

}  // namespace
