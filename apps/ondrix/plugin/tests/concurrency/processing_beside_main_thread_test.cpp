#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "clap_test_host.hpp"
#include "patches.hpp"

namespace ondrix_plugin_testing {
namespace {

// The host's audio thread processes blocks while its main thread loads and saves states, reads
// the ports and makes a refused call: no data race, and the audio thread never fails.
TEST(Concurrency, MainThreadCallsRunBesideProcessing) {
    PluginUnderTest instance;
    const clap_plugin_t* p = instance.plugin();
    ASSERT_TRUE(p->init(p));
    ASSERT_TRUE(p->activate(p, 48000.0, 1, 512));
    const auto* state = instance.extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    const auto* note_ports = instance.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    ASSERT_NE(state, nullptr);
    ASSERT_NE(note_ports, nullptr);

    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        if (!p->start_processing(p)) ++failures;
        while (!stop.load() || blocks.load() < 50) {
            Block block(256);
            OutputEvents out;
            InputEvents in;
            in.add(note_on(17));
            block.process().in_events = in.raw();
            block.process().out_events = out.raw();
            if (p->process(p, &block.process()) != CLAP_PROCESS_CONTINUE) ++failures;
            ++blocks;
        }
        p->stop_processing(p);
    });

    for (int i = 0; i < 300; ++i) {
        ByteSource source(state_of(i % 2 == 0 ? SAW_PATCH : CONSTANT_PATCH), 13);
        EXPECT_TRUE(state->load(p, source.raw()));
        ByteSink sink;
        EXPECT_TRUE(state->save(p, sink.raw()));
        clap_note_port_info_t info{};
        EXPECT_TRUE(note_ports->get(p, 0, false, &info));
        EXPECT_FALSE(p->activate(p, 48000.0, 1, 512));  // refused: already active
    }
    stop.store(true);
    audio.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(instance.host().lines.size(), 300u);
    p->deactivate(p);
}

}  // namespace
}  // namespace ondrix_plugin_testing
