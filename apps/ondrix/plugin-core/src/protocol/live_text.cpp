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

// The text for `out`, gathered in a small buffer on the stack and appended a chunk at a time:
// `out` is reserved once for the longest text, and only what is written touches it.
class Chunks {
  public:
    explicit Chunks(std::string& out) : out_(out) {}
    ~Chunks() { out_.append(chunk_.data(), used_); }
    Chunks(const Chunks&) = delete;
    Chunks& operator=(const Chunks&) = delete;

    // `text` is shorter than a chunk.
    void put(std::string_view text) {
        if (chunk_.size() - used_ < text.size()) flush();
        std::memcpy(chunk_.data() + used_, text.data(), text.size());
        used_ += text.size();
    }

    // `values` as a JSON list, each finite value from `numbers`, null for the others.
    void put_list(Numbers& numbers, std::span<const float> values) {
        put("[");
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (chunk_.size() - used_ < ROOM_PER_NUMBER) flush();
            char* at = chunk_.data() + used_;
            if (i > 0) *at++ = ',';
            if (std::isfinite(values[i])) {
                numbers.write(at, values[i]);
            } else {
                std::memcpy(at, "null", 4);
                at += 4;
            }
            used_ = static_cast<std::size_t>(at - chunk_.data());
        }
        put("]");
    }

  private:
    void flush() {
        out_.append(chunk_.data(), used_);
        used_ = 0;
    }

    std::string& out_;
    std::array<char, 4096> chunk_;
    std::size_t used_ = 0;
};

}  // namespace

std::string live_text(const Live& live) {
    std::string out;
    // The names, the brackets, and the numbers at their longest with their commas.
    out.reserve(64 + (live.outputs.size() + live.sources.size() + live.trace.size()) *
                         ROOM_PER_NUMBER);
    Numbers numbers;
    {
        Chunks text(out);
        text.put(R"({"outputs":)");
        text.put_list(numbers, live.outputs);
        text.put(R"(,"sources":)");
        text.put_list(numbers, live.sources);
        text.put(R"(,"trace":)");
        text.put_list(numbers, live.trace);
        text.put("}");
    }
    return out;
}

}  // namespace ondrix_plugin_core::protocol
