#include "output_stage.hpp"

#include <cstddef>

#include "engine.hpp"
#include "numeric.hpp"

namespace ondrix_engine {

void Engine::run_outputs(std::uint64_t tick, double beat_t, bool running, std::vector<Cc>& out) {
    // Records go only into the room the list already has.
    std::size_t room = out.capacity() - out.size();
    // Routed outputs without routes hold still; the rest are worked out below in output order.
    values_ = steady_values_;
    for (std::size_t n = 0; n < busy_count_; ++n) {
        const std::size_t j = busy_outputs_[n];
        const OutputPlan& o = plans_[j];
        float v = steady_values_[j];
        switch (o.kind) {
            case OutputPlan::Kind::steady:
                break;
            case OutputPlan::Kind::routed:
                v = output_stage::routed(o.offset + route_sum(routes_.into_output(j)), o.bipolar);
                break;
            case OutputPlan::Kind::clock:
                v = output_stage::clock(o.ppqn, beat_t, running);
                break;
            case OutputPlan::Kind::run:
                v = running ? 1.0f : 0.0f;
                break;
            case OutputPlan::Kind::reset:
                v = reset_ticks_ > 0 ? 1.0f : 0.0f;
                break;
        }
        values_[j] = v;
        if (!o.sends) continue;

        // A value goes out when it differs from the last one sent; without room it waits for a
        // later tick, and the sent record stays as it was.
        Sent& sent = sent_[j];
        if (o.fine) {
            // 14-bit: the upper 7 bits on cc when they changed, then the lower 7 on cc + 32.
            const std::uint32_t level = numeric::round_to_level(v * 16383.0f, 65535.0f);
            if (sent.valid != 0 && sent.last == level) continue;
            if (room < 2) continue;
            const auto upper = static_cast<std::uint8_t>(level >> 7);
            if (sent.valid == 0 || static_cast<std::uint8_t>(sent.last >> 7) != upper) {
                out.push_back({tick, o.channel, o.cc, upper});
                --room;
            }
            out.push_back({tick, o.channel, static_cast<std::uint8_t>(o.cc + 32),
                           static_cast<std::uint8_t>(level & 127)});
            --room;
            sent = {1, static_cast<std::uint16_t>(level)};
        } else {
            const std::uint32_t level = numeric::round_to_level(v * 127.0f, 255.0f);
            if (sent.valid != 0 && sent.last == (level << 7)) continue;
            if (room == 0) continue;
            out.push_back({tick, o.channel, o.cc, static_cast<std::uint8_t>(level)});
            --room;
            sent = {1, static_cast<std::uint16_t>(level << 7)};
        }
    }
}

}  // namespace ondrix_engine
