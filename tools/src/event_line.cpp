#include "event_line.hpp"

#include <fmt/format.h>

namespace ondrix_tools {

std::string event_line(std::uint64_t block_start, const RecordedEvent& event) {
    const std::uint64_t sample = block_start + event.time;
    if (!event.is_midi) return fmt::format("{} event {}:{}", sample, event.space_id, event.type);
    const auto [status, data1, data2] = event.midi;
    if ((status & 0xF0) == 0xB0) {
        return fmt::format("{} {} {} {}", sample, status & 0x0F, data1, data2);
    }
    return fmt::format("{} midi {} {} {}", sample, status, data1, data2);
}

}  // namespace ondrix_tools
