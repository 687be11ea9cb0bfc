#include "output_stage.hpp"

#include <cstddef>

#include "numeric.hpp"

namespace ondrix_engine::output_stage {

namespace {

// round(x), held to 0..hi; a NaN gives 0.
std::uint32_t to_level(float x, float hi) {
    return static_cast<std::uint32_t>(numeric::clamp(numeric::round(x), 0.0f, hi));
}

std::size_t room(const std::vector<Cc>& out) {
    return out.capacity() - out.size();
}

}  // namespace

void send(float v, std::uint8_t channel, std::uint8_t cc, bool fine, std::uint64_t tick, Sent& sent,
          std::vector<Cc>& out) {
    auto ch = static_cast<std::uint8_t>(channel & 15);
    if (fine && cc < 32) {
        std::uint32_t n = to_level(v * 16383.0f, 65535.0f);
        if (sent.valid != 0 && sent.last == n) return;
        if (room(out) < 2) return;
        auto upper = static_cast<std::uint8_t>(n >> 7);
        if (sent.valid == 0 || static_cast<std::uint8_t>(sent.last >> 7) != upper) {
            out.push_back({tick, ch, cc, upper});
        }
        out.push_back(
            {tick, ch, static_cast<std::uint8_t>(cc + 32), static_cast<std::uint8_t>(n & 127)});
        sent = {1, static_cast<std::uint16_t>(n)};
        return;
    }
    std::uint32_t n = to_level(v * 127.0f, 255.0f);
    if (sent.valid != 0 && sent.last == (n << 7)) return;
    if (room(out) < 1) return;
    out.push_back({tick, ch, static_cast<std::uint8_t>(cc & 127), static_cast<std::uint8_t>(n)});
    sent = {1, static_cast<std::uint16_t>(n << 7)};
}

}  // namespace ondrix_engine::output_stage
