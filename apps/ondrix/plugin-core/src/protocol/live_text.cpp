#include "protocol/live_text.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "protocol/json_number.hpp"

namespace ondrix_plugin_core::protocol {
namespace {

// Room for one number and the comma before it.
constexpr std::size_t ROOM_PER_NUMBER = MAX_NUMBER_TEXT + 1;

// The texts of recently written values. Live values repeat a lot within one reply (taps routed
// straight to outputs, held steps, values at their limits), and a hit costs a fraction of a
// conversion. Direct-mapped on the float's bits.
class Numbers {
  public:
    Numbers() { keys_.fill(EMPTY); }

    // Writes finite `value` at `at` (room for MAX_NUMBER_TEXT characters) and moves past it.
    void write(char*& at, float value) {
        const auto bits = std::bit_cast<std::uint32_t>(value);
        const std::size_t slot = (bits * 0x9E3779B1u) >> (32 - SLOT_BITS);
        Entry& entry = entries_[slot];
        if (keys_[slot] != bits) {
            keys_[slot] = bits;
            entry.length = static_cast<std::uint8_t>(
                write_number(entry.text.data(), static_cast<double>(value)));
        }
        // The whole entry, a fixed size: cheaper than copying just its length.
        std::memcpy(at, entry.text.data(), MAX_NUMBER_TEXT);
        at += entry.length;
    }

  private:
    static constexpr int SLOT_BITS = 9;
    // The bits of a NaN, which is never written as a number.
    static constexpr std::uint32_t EMPTY = 0xFFFFFFFFu;

    struct Entry {
        std::array<char, MAX_NUMBER_TEXT> text;
        std::uint8_t length;
    };
    std::array<std::uint32_t, std::size_t{1} << SLOT_BITS> keys_;
    std::array<Entry, std::size_t{1} << SLOT_BITS> entries_;
};

void write_text(char*& at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    at += text.size();
}

// `values` as a JSON list at `at`, which has ROOM_PER_NUMBER characters for each value and two
// more.
void write_list(char*& at, Numbers& numbers, std::span<const float> values) {
    *at++ = '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) *at++ = ',';
        if (std::isfinite(values[i])) {
            numbers.write(at, values[i]);
        } else {
            write_text(at, "null");
        }
    }
    *at++ = ']';
}

}  // namespace

std::string live_text(const Live& live) {
    constexpr std::string_view OUTPUTS = R"({"outputs":)";
    constexpr std::string_view SOURCES = R"(,"sources":)";
    constexpr std::string_view TRACE = R"(,"trace":)";
    const std::size_t count = live.outputs.size() + live.sources.size() + live.trace.size();
    // Made once, with room for the longest numbers, and cut to what was written: the names, the
    // brackets of three lists, the closing brace and the numbers.
    std::string text(OUTPUTS.size() + SOURCES.size() + TRACE.size() + 3 * 2 + 1 +
                         count * ROOM_PER_NUMBER,
                     '\0');
    Numbers numbers;
    char* at = text.data();
    write_text(at, OUTPUTS);
    write_list(at, numbers, live.outputs);
    write_text(at, SOURCES);
    write_list(at, numbers, live.sources);
    write_text(at, TRACE);
    write_list(at, numbers, live.trace);
    *at++ = '}';
    text.resize(static_cast<std::size_t>(at - text.data()));
    return text;
}

}  // namespace ondrix_plugin_core::protocol
