// The patches in examples/, as a new user starts from them: each loads through the CLAP state
// and, played for two seconds with the host's transport running, sends control changes on every
// MIDI channel and controller its outputs name, and on no other.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "clap_test_host.hpp"
#include "patches.hpp"

namespace ondrix_plugin_testing {
namespace {

namespace fs = std::filesystem;
using ChannelController = std::pair<int, int>;

constexpr double SAMPLE_RATE = 48000.0;
constexpr std::uint32_t FRAMES = 480;

std::string read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The channel and controller of every enabled MIDI output; a 14-bit one sends on two.
std::set<ChannelController> named_in(const nlohmann::json& patch) {
    std::set<ChannelController> named;
    for (const auto& output : patch.at("outputs")) {
        if (!output.value("enabled", true)) continue;
        if (output.contains("dest") && output["dest"].at("kind") != "midi") continue;
        const int channel = output.value("channel", 0);
        const int cc = output.at("cc");
        named.insert({channel, cc});
        if (output.value("fine", false) && cc < 32) named.insert({channel, cc + 32});
    }
    return named;
}

clap_event_transport_t playing(std::uint64_t frame) {
    const double beats = static_cast<double>(frame) / SAMPLE_RATE * 2.0;  // 120 BPM
    clap_event_transport_t t{};
    t.header = {sizeof(clap_event_transport_t), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT,
                0};
    t.flags =
        CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
    t.song_pos_beats = std::llround(beats * static_cast<double>(CLAP_BEATTIME_FACTOR));
    t.tempo = 120.0;
    return t;
}

std::vector<fs::path> examples() {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(ONDRIX_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".json") found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

TEST(Examples, EachPlaysOnTheChannelsAndControllersItNames) {
    const std::vector<fs::path> files = examples();
    ASSERT_GE(files.size(), 4u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string patch = read(file);
        const std::set<ChannelController> named = named_in(nlohmann::json::parse(patch));
        ASSERT_FALSE(named.empty());

        PluginUnderTest instance;
        const clap_plugin_t* p = instance.plugin();
        ASSERT_TRUE(p->init(p));
        ASSERT_TRUE(instance.load_state(state_of(patch)));
        ASSERT_TRUE(p->activate(p, SAMPLE_RATE, 1, FRAMES));
        ASSERT_TRUE(p->start_processing(p));
        std::set<ChannelController> sent;
        Block block(FRAMES);
        OutputEvents out;
        for (std::uint64_t frame = 0; frame < 2 * SAMPLE_RATE; frame += FRAMES) {
            const clap_event_transport_t transport = playing(frame);
            block.process().transport = &transport;
            block.process().out_events = out.raw();
            ASSERT_EQ(p->process(p, &block.process()), CLAP_PROCESS_CONTINUE);
            for (std::size_t i = 0; i < out.events().size(); ++i) {
                const auto midi = out.as<clap_event_midi_t>(i);
                ASSERT_EQ(midi.data[0] & 0xF0, 0xB0);
                sent.insert({midi.data[0] & 0x0F, midi.data[1]});
            }
            out.clear();
        }
        p->stop_processing(p);
        p->deactivate(p);
        EXPECT_EQ(sent, named);
        EXPECT_TRUE(instance.host().lines.empty());
    }
}

}  // namespace
}  // namespace ondrix_plugin_testing
