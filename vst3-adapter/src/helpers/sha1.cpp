#include "helpers/sha1.hpp"

#include <bit>

namespace Crypto {

void Sha1::reset() {
    words = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    bitCount = 0;
    blockUsed = 0;
    corrupted = false;
}

void Sha1::input(const void* bytes, std::size_t length) {
    const auto* at = static_cast<const std::uint8_t*>(bytes);
    if (at == nullptr || corrupted) {
        return;
    }
    for (std::size_t i = 0; i < length; ++i) {
        block[blockUsed++] = at[i];
        bitCount += 8;
        if (bitCount == 0) {  // wrapped: the length field cannot hold the message any more
            corrupted = true;
            return;
        }
        if (blockUsed == block.size()) {
            processBlock();
        }
    }
}

Sha1Digest Sha1::hash() {
    const std::uint64_t length = bitCount;
    block[blockUsed++] = 0x80;
    if (blockUsed > 56) {
        while (blockUsed < 64) {
            block[blockUsed++] = 0;
        }
        processBlock();
    }
    while (blockUsed < 56) {
        block[blockUsed++] = 0;
    }
    for (int i = 7; i >= 0; --i) {
        block[blockUsed++] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    processBlock();

    Sha1Digest digest{};
    for (std::size_t i = 0; i < 20; ++i) {
        digest[i] = static_cast<std::uint8_t>(words[i / 4] >> (24 - 8 * (i % 4)));
    }
    reset();
    return digest;
}

void Sha1::processBlock() {
    std::array<std::uint32_t, 80> w{};
    for (std::size_t t = 0; t < 16; ++t) {
        w[t] = std::uint32_t{block[4 * t]} << 24 | std::uint32_t{block[4 * t + 1]} << 16 |
               std::uint32_t{block[4 * t + 2]} << 8 | std::uint32_t{block[4 * t + 3]};
    }
    for (std::size_t t = 16; t < 80; ++t) {
        w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    }
    auto [a, b, c, d, e] = words;
    for (std::size_t t = 0; t < 80; ++t) {
        std::uint32_t f = 0;
        std::uint32_t k = 0;
        if (t < 20) {
            f = (b & c) | (~b & d), k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d, k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d, k = 0xCA62C1D6;
        }
        const std::uint32_t next = std::rotl(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = next;
    }
    words[0] += a;
    words[1] += b;
    words[2] += c;
    words[3] += d;
    words[4] += e;
    blockUsed = 0;
}

Sha1Digest sha1(const void* bytes, std::size_t length) {
    return Sha1(bytes, length).hash();
}

std::uint32_t swapOrder32(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

std::uint16_t swapOrder16(std::uint16_t value) {
    return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

}  // namespace Crypto
