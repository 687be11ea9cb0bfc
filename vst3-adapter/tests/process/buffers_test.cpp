#include "adapter_fixture.hpp"

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

TEST(Buffers, ShapesOfTheHostBlock) {
    struct Row {
        const char* name;
        void (*shape)(HostBlock&);
        bool processed;
    };
    const Row rows[] = {
        {"matching", [](HostBlock&) {}, true},
        {"more records than buses",
         [](HostBlock& h) {
             h.outputs.resize(3);
             h.data.outputs = h.outputs.data();
             h.data.numOutputs = 3;
         },
         true},
        {"a record missing",
         [](HostBlock& h) {
             h.outputs = std::vector<AudioBusBuffers>{h.outputs[0]};  // exactly one, on the heap
             h.data.outputs = h.outputs.data();
             h.data.numOutputs = 1;
         },
         false},
        {"no input records", [](HostBlock& h) { h.data.inputs = nullptr; }, false},
        {"no output records", [](HostBlock& h) { h.data.outputs = nullptr; }, false},
        {"input count 0", [](HostBlock& h) { h.data.numInputs = 0; }, false},
        {"negative output count", [](HostBlock& h) { h.data.numOutputs = -1; }, false},
        {"fewer channels", [](HostBlock& h) { h.inputs[0].numChannels = 1; }, false},
        {"more channels", [](HostBlock& h) { h.outputs[1].numChannels = 3; }, false},
        {"negative channels", [](HostBlock& h) { h.outputs[1].numChannels = -2; }, false},
        {"no channel array", [](HostBlock& h) { h.outputs[0].channelBuffers32 = nullptr; },
         false},
        {"a channel missing", [](HostBlock& h) { h.outputChannels[3] = nullptr; }, false},
        {"64-bit samples", [](HostBlock& h) { h.data.symbolicSampleSize = kSample64; }, false},
        {"no samples", [](HostBlock& h) { h.data.numSamples = 0; }, false},
        {"negative samples", [](HostBlock& h) { h.data.numSamples = -32; }, false},
    };
    for (const bool withParams : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            AdapterFixture fixture(withParams, 1, 2);
            fixture.inputEvents.events = {noteOn(3, 60, 1)};
            HostBlock host;
            row.shape(host);
            host.data.inputEvents = &fixture.inputEvents;
            fixture.adapter.process(host.data);

            if (row.processed) {
                ASSERT_EQ(fixture.fake.calls.size(), 1u);
                const Call& call = fixture.fake.calls[0];
                EXPECT_FALSE(call.flush);
                EXPECT_EQ(call.frames, 32u);
                EXPECT_EQ(call.inputs, std::vector<float**>{host.inputChannels.data()});
                EXPECT_EQ(call.outputs, (std::vector<float**>{host.outputChannels.data(),
                                                              host.outputChannels.data() + 2}));
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
