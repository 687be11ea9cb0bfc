// Our plug-in, loaded from its built module, behind the process adapter as a VST3 host runs it.

#include "adapter_fixture.hpp"
#include "ondrix_module.hpp"

#include "allocation_counter.hpp"

#include <array>
#include <vector>

#include <gtest/gtest.h>

namespace process_testing {
namespace {

// A 100 Hz saw on output 0, sent as 14-bit controller 1 (and 33) on channel 3: a pair of
// control changes at nearly every control tick.
constexpr const char* fineSawState =
    R"({"patch":{"sources":[{"shape":{"kind":"saw"},"rate":{"mode":"free","hz":100}}],)"
    R"("routes":[{"from":0,"tap":0,"to":"output","index":0,"amount":1}],)"
    R"("outputs":[{"cc":1,"fine":true,"channel":3}]},"version":1})";

constexpr int32 frames = 256;

struct OndrixBehindAdapter {
    explicit OndrixBehindAdapter(const char* state) : instance(ONDRIX_CLAP_MODULE, state) {
        outputBuses.push_back(
            owned(new AudioBus(u"main", kMain, BusInfo::kDefaultActive, SpeakerArr::kStereo)));
        gestures.reserve(8192);
        outputEvents.events.reserve(4096);
        const clap_plugin_t* plugin = instance.plugin();
        adapter.setupProcessing(
            plugin,
            static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS)),
            inputBuses, outputBuses, frames, 1, 1, parameters, nullptr, nullptr, gestures, true,
            false);
        context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid |
                        ProcessContext::kProjectTimeMusicValid;
        context.sampleRate = 48000;
        context.tempo = 120;
        output.numChannels = 2;
        output.channelBuffers32 = channels;
    }

    // One block at the running position; the host's output list starts empty.
    void run() {
        outputEvents.events.clear();
        ProcessData data;
        data.numSamples = frames;
        data.numOutputs = 1;
        data.outputs = &output;
        data.inputEvents = &inputEvents;
        data.outputEvents = &outputEvents;
        data.processContext = &context;
        adapter.process(data);
        context.projectTimeSamples += frames;
        context.projectTimeMusic += frames / 48000.0 * 2;
    }

    OndrixInstance instance;
    BusList inputBuses{kAudio, kInput};
    BusList outputBuses{kAudio, kOutput};
    ParameterContainer parameters;
    std::vector<std::uint32_t> gestures;
    Clap::ProcessAdapter adapter;
    EventList inputEvents, outputEvents;
    ProcessContext context{};
    std::vector<float> left = std::vector<float>(frames), right = std::vector<float>(frames);
    float* channels[2] = {left.data(), right.data()};
    AudioBusBuffers output;
};

TEST(OndrixBehindAdapter, FineOutputsReachTheHostAsControllerPairs) {
    OndrixBehindAdapter ondrix(fineSawState);
    std::size_t pairs = 0;
    for (int block = 0; block < 20; ++block) {
        ondrix.run();
        const std::vector<Event>& events = ondrix.outputEvents.events;
        ASSERT_EQ(events.size() % 2, 0u);
        for (std::size_t i = 0; i < events.size(); i += 2) {
            const Event& coarse = events[i];
            const Event& fine = events[i + 1];
            ASSERT_EQ(coarse.type, Event::kLegacyMIDICCOutEvent);
            ASSERT_EQ(fine.type, Event::kLegacyMIDICCOutEvent);
            EXPECT_EQ(coarse.midiCCOut.controlNumber, 1);
            EXPECT_EQ(fine.midiCCOut.controlNumber, 33);
            EXPECT_EQ(coarse.midiCCOut.channel, 3);
            EXPECT_EQ(fine.midiCCOut.channel, 3);
            EXPECT_EQ(coarse.sampleOffset, fine.sampleOffset);
            EXPECT_LT(coarse.sampleOffset, frames);
            ++pairs;
        }
    }
    EXPECT_GE(pairs, 90u) << "about one pair per millisecond";
}

TEST(OndrixBehindAdapter, ThousandBlocksWithNotesAndFineOutputsAllocateNothing) {
    OndrixBehindAdapter ondrix(fineSawState);
    ondrix.inputEvents.events.reserve(4);
    ondrix.run();  // the first block takes the loaded patch over, which may allocate
    std::size_t controllers = 0, notes = 0;
    ondrix_testing::AllocationCounter counter;
    for (int block = 0; block < 1000; ++block) {
        ondrix.inputEvents.events.clear();
        const auto key = static_cast<int16>(block % 128);
        if (block % 10 == 0) {
            ondrix.inputEvents.events.push_back(noteOn(17, key, block));
        } else if (block % 10 == 5) {
            ondrix.inputEvents.events.push_back(noteOff(3, static_cast<int16>(key - 5), block - 5));
        }
        ondrix.run();
        for (const Event& event : ondrix.outputEvents.events) {
            (event.type == Event::kLegacyMIDICCOutEvent ? controllers : notes) += 1;
        }
    }
    EXPECT_EQ(counter.count(), 0u);
    EXPECT_EQ(notes, 200u) << "the notes pass through";
    EXPECT_GE(controllers, 2 * 5000u);
}

// A host that deactivated the output bus sends its record without channels: the plug-in runs on
// silent channels of the adapter's own, and its controllers flow as with the bus active.
TEST(OndrixBehindAdapter, AnInactiveOutputSendsTheSameControllersAndAllocatesNothing) {
    OndrixBehindAdapter active(fineSawState), inactive(fineSawState);
    float* noChannels[2] = {nullptr, nullptr};
    using Sent = std::array<int, 4>;  // offset, channel, controller, value
    std::vector<Sent> fromActive, fromInactive;
    fromActive.reserve(200000);
    fromInactive.reserve(200000);
    const auto keep = [](const OndrixBehindAdapter& ondrix, std::vector<Sent>& sent) {
        for (const Event& event : ondrix.outputEvents.events) {
            sent.push_back({event.sampleOffset, event.midiCCOut.channel,
                            event.midiCCOut.controlNumber, event.midiCCOut.value});
        }
    };
    active.run();  // the first blocks take the loaded patch over, which may allocate
    inactive.run();
    ondrix_testing::AllocationCounter counter;
    for (int block = 0; block < 400; ++block) {
        // Null channel pointers, then no channel array at all.
        inactive.output.channelBuffers32 = block < 200 ? noChannels : nullptr;
        active.run();
        inactive.run();
        keep(active, fromActive);
        keep(inactive, fromInactive);
    }
    EXPECT_EQ(counter.count(), 0u);
    EXPECT_GE(fromActive.size(), 2 * 400 * 5u);
    EXPECT_EQ(fromInactive, fromActive);
}

}  // namespace
}  // namespace process_testing
