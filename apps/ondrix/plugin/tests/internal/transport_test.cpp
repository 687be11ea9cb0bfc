// The host's transport as the engine sees it: tempos the engine can't run at, including those a
// float can't hold, arrive clamped into its range.
#include <limits>

#include <gtest/gtest.h>

#include "transport.hpp"

namespace ondrix_plugin_testing {
namespace {

TEST(Transport, TheHostTempoIsClampedIntoTheEngineRange) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct {
        double host;
        float engine;
    } cases[] = {
        {120.0, 120.0f}, {133.33, 133.33f}, {20.0, 20.0f}, {999.0, 999.0f},
        {10.0, 20.0f},   {2000.0, 999.0f},  {0.0, 20.0f},  {-5.0, 20.0f},
        {1e300, 999.0f}, {-1e300, 20.0f},   {inf, 999.0f}, {-inf, 20.0f},
        {std::numeric_limits<double>::quiet_NaN(), 20.0f},
    };
    for (const auto& c : cases) {
        clap_event_transport_t transport{};
        transport.header = {sizeof transport, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
        transport.flags = CLAP_TRANSPORT_HAS_TEMPO;
        transport.tempo = c.host;
        const auto view = vantrel_ondrix_plugin::read_transport(&transport);
        EXPECT_TRUE(view.has_tempo);
        EXPECT_EQ(view.tempo, c.engine) << c.host;
    }
}

}  // namespace
}  // namespace ondrix_plugin_testing
