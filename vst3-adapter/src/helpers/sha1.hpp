#pragma once

// SHA-1 (FIPS 180-1), for name-based class IDs. Not for anything that needs a secure hash.
// Threads: one digest state per thread; no shared state.

#include <array>
#include <cstddef>
#include <cstdint>

namespace Crypto {

using Sha1Digest = std::array<std::uint8_t, 20>;

class Sha1 {
public:
    Sha1() { reset(); }
    Sha1(const void* bytes, std::size_t length) : Sha1() { input(bytes, length); }

    void reset();
    // Feeds bytes; ignored once the message passed 2^64 - 1 bits.
    void input(const void* bytes, std::size_t length);
    // The digest of everything fed since the last reset; the state starts afresh after it.
    Sha1Digest hash();

private:
    void processBlock();

    std::array<std::uint32_t, 5> words{};
    std::uint64_t bitCount = 0;
    std::array<std::uint8_t, 64> block{};
    std::size_t blockUsed = 0;
    bool corrupted = false;
};

Sha1Digest sha1(const void* bytes, std::size_t length);

std::uint32_t swapOrder32(std::uint32_t value);
std::uint16_t swapOrder16(std::uint16_t value);

}  // namespace Crypto
