#include "helpers/class_id.hpp"

#include "helpers/sha1.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace Crypto {

namespace {

// 6ba7b810-9dad-11d1-80b4-00c04fd430c8 in canonical byte order.
constexpr std::uint8_t dnsNamespace[16] = {0x6b, 0xa7, 0xb8, 0x10, 0x9d, 0xad, 0x11, 0xd1,
                                           0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};

std::uint32_t bigEndian32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           std::uint32_t{at[3]};
}

std::uint16_t bigEndian16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

}  // namespace

Uuid create_sha1_guid_from_name(const char* name, std::size_t length) {
    Sha1 digestState;
    digestState.input(dnsNamespace, sizeof dnsNamespace);
    if (name != nullptr) {
        digestState.input(name, length);
    }
    const Sha1Digest digest = digestState.hash();

    Uuid uuid{};
    uuid.timeLow = bigEndian32(&digest[0]);
    uuid.timeMid = bigEndian16(&digest[4]);
    uuid.timeHighAndVersion = static_cast<std::uint16_t>((bigEndian16(&digest[6]) & 0x0FFF) | 0x5000);
    uuid.clockSeqHighAndReserved = static_cast<std::uint8_t>((digest[8] & 0x3F) | 0x80);
    uuid.clockSeqLow = digest[9];
    std::copy_n(&digest[10], 6, uuid.node);
    return uuid;
}

}  // namespace Crypto

namespace Vst3Adapter::detail {

void makeCIDComCompatible(std::span<char, 16> cid) {
    std::swap(cid[0], cid[3]);
    std::swap(cid[1], cid[2]);
    std::swap(cid[4], cid[5]);
    std::swap(cid[6], cid[7]);
}

}  // namespace Vst3Adapter::detail
