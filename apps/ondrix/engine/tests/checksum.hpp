#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "cc.hpp"
#include "engine.hpp"

namespace ondrix_engine::testing {

// FNV-1a over 32-bit words: a fingerprint of everything an engine run produced.
struct Checksum {
    std::uint64_t hash = 14695981039346656037ull;

    void add(std::uint32_t word) {
        for (int byte = 0; byte < 4; ++byte) {
            hash ^= (word >> (8 * byte)) & 0xffu;
            hash *= 1099511628211ull;
        }
    }
    void add(float value) { add(std::bit_cast<std::uint32_t>(value)); }
    void add(const Cc& cc) {
        add(static_cast<std::uint32_t>(cc.tick));
        add(static_cast<std::uint32_t>(cc.channel << 16 | cc.cc << 8 | cc.value));
    }
    // What one step call left: every tap and output value of its last tick, and its records.
    void add_step(const Engine& engine, const std::vector<Cc>& out) {
        for (const SourceTaps& taps : engine.taps()) {
            for (float v : taps) add(v);
        }
        for (float v : engine.values()) add(v);
        for (const Cc& cc : out) add(cc);
    }
};

}  // namespace ondrix_engine::testing
