#include "adapter_fixture.hpp"

#include <algorithm>

#include <gtest/gtest.h>

namespace process_testing {
namespace {

// The host's block for two stereo output buses and one stereo input bus, as the host lays it
// out: records on the heap, exactly as many as it says, so a read past them is caught.
struct HostBlock {
    std::vector<float> samples = std::vector<float>(6 * 32);
    std::vector<float*> inputChannels = {&samples[0], &samples[32]};
    std::vector<float*> outputChannels = {&samples[64], &samples[96], &samples[128], &samples[160]};
    std::vector<AudioBusBuffers> inputs = std::vector<AudioBusBuffers>(1);
    std::vector<AudioBusBuffers> outputs = std::vector<AudioBusBuffers>(2);
    ProcessData data;

    HostBlock() {
        inputs[0].numChannels = 2;
        inputs[0].channelBuffers32 = inputChannels.data();
        for (int b = 0; b < 2; ++b) {
            outputs[b].numChannels = 2;
            outputs[b].channelBuffers32 = outputChannels.data() + 2 * b;
        }
        data.numSamples = 32;
        data.numInputs = 1;
        data.numOutputs = 2;
        data.inputs = inputs.data();
        data.outputs = outputs.data();
    }
};

// The channels the plug-in got for each bus of `records`: the host's where it gave them, else
// silent ones of the adapter's own, no two alike.
void expectChannels(const std::vector<float**>& got, const std::vector<AudioBusBuffers>& records,
                    int32 frames) {
    ASSERT_LE(got.size(), records.size());
    std::vector<float*> own;
    for (std::size_t b = 0; b < got.size(); ++b) {
        const AudioBusBuffers& record = records[b];
        for (int32 c = 0; c < record.numChannels; ++c) {
            float* host = record.channelBuffers32 ? record.channelBuffers32[c] : nullptr;
            float* channel = got[b][c];
            if (host != nullptr) {
                EXPECT_EQ(channel, host) << "bus " << b << " channel " << c;
                continue;
            }
            ASSERT_NE(channel, nullptr) << "bus " << b << " channel " << c;
            EXPECT_EQ(std::count(channel, channel + frames, 0.0f), frames);
            EXPECT_EQ(std::count(own.begin(), own.end(), channel), 0);
            own.push_back(channel);
        }
    }
}

TEST(Buffers, ShapesOfTheHostBlock) {
    enum Outcome { processed, flushed };
    struct Row {
        const char* name;
        void (*shape)(HostBlock&);
        Outcome outcome;
    };
    const Row rows[] = {
        {"matching", [](HostBlock&) {}, processed},
        {"more records than buses",
         [](HostBlock& h) {
             h.outputs.resize(3);
             h.data.outputs = h.outputs.data();
             h.data.numOutputs = 3;
         },
         processed},
        // A bus the host deactivated: its record without its channels.
        {"an inactive output with null channels",
         [](HostBlock& h) { h.outputChannels[2] = h.outputChannels[3] = nullptr; }, processed},
        {"an inactive output with no channel array",
         [](HostBlock& h) { h.outputs[0].channelBuffers32 = nullptr; }, processed},
        {"an inactive input", [](HostBlock& h) { h.inputs[0].channelBuffers32 = nullptr; },
         processed},
        {"one channel left out", [](HostBlock& h) { h.outputChannels[3] = nullptr; }, processed},
        {"a channel left out of a block past the reserved room",
         [](HostBlock& h) {
             h.outputChannels[3] = nullptr;
             h.data.numSamples = 4097;
         },
         flushed},
        {"a record missing",
         [](HostBlock& h) {
             h.outputs = std::vector<AudioBusBuffers>{h.outputs[0]};  // exactly one, on the heap
             h.data.outputs = h.outputs.data();
             h.data.numOutputs = 1;
         },
         flushed},
        {"no input records", [](HostBlock& h) { h.data.inputs = nullptr; }, flushed},
        {"no output records", [](HostBlock& h) { h.data.outputs = nullptr; }, flushed},
        {"input count 0", [](HostBlock& h) { h.data.numInputs = 0; }, flushed},
        {"negative output count", [](HostBlock& h) { h.data.numOutputs = -1; }, flushed},
        {"fewer channels", [](HostBlock& h) { h.inputs[0].numChannels = 1; }, flushed},
        {"more channels", [](HostBlock& h) { h.outputs[1].numChannels = 3; }, flushed},
        {"negative channels", [](HostBlock& h) { h.outputs[1].numChannels = -2; }, flushed},
        {"no channels for an inactive output",
         [](HostBlock& h) {
             h.outputs[1].numChannels = 0;
             h.outputs[1].channelBuffers32 = nullptr;
         },
         flushed},
        {"64-bit samples", [](HostBlock& h) { h.data.symbolicSampleSize = kSample64; }, flushed},
        {"no samples", [](HostBlock& h) { h.data.numSamples = 0; }, flushed},
        {"negative samples", [](HostBlock& h) { h.data.numSamples = -32; }, flushed},
    };
    for (const bool withParams : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            AdapterFixture fixture(withParams, 1, 2);  // reserves 4096 frames
            fixture.inputEvents.events = {noteOn(3, 60, 1)};
            HostBlock host;
            row.shape(host);
            // The second block finds garbage in every channel: the adapter's own are silenced.
            for (int block = 0; block < 2; ++block) {
                fixture.fake.calls.clear();
                host.data.inputEvents = &fixture.inputEvents;
                fixture.adapter.process(host.data);
                if (row.outcome == processed) {
                    ASSERT_EQ(fixture.fake.calls.size(), 1u);
                    const Call& call = fixture.fake.calls[0];
                    EXPECT_FALSE(call.flush);
                    EXPECT_EQ(call.frames, 32u);
                    EXPECT_EQ(call.events.size(), 1u);
                    expectChannels(call.inputs, host.inputs, 32);
                    expectChannels(call.outputs, host.outputs, 32);
                    for (const auto* buses : {&call.inputs, &call.outputs}) {
                        for (float** bus : *buses) {
                            std::fill_n(bus[0], 32, 0.5f);
                            std::fill_n(bus[1], 32, 0.5f);
                        }
                    }
                } else if (withParams) {
                    ASSERT_EQ(fixture.fake.calls.size(), 1u);
                    EXPECT_TRUE(fixture.fake.calls[0].flush);
                    EXPECT_EQ(fixture.fake.calls[0].events.size(), 1u) << "the block's events stay";
                } else {
                    EXPECT_TRUE(fixture.fake.calls.empty());
                }
            }
        }
    }
}

TEST(Buffers, WithoutBusesNoRecordsAreNeeded) {
    AdapterFixture fixture(true, 0, 0);
    ProcessData data;
    data.numSamples = 16;
    fixture.adapter.process(data);
    ASSERT_EQ(fixture.fake.calls.size(), 1u);
    EXPECT_FALSE(fixture.fake.calls[0].flush);
    EXPECT_TRUE(fixture.fake.calls[0].inputs.empty());
    EXPECT_TRUE(fixture.fake.calls[0].outputs.empty());
}

}  // namespace
}  // namespace process_testing
