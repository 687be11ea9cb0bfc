#pragma once

// Name-based class IDs: the version-5 UUID (SHA-1 over the DNS namespace and a name) of a text,
// so one CLAP plug-in id always gives hosts the same VST3 class ID.

#include <cstddef>
#include <cstdint>
#include <span>

namespace Crypto {

// A UUID with its first three fields in host byte order.
struct Uuid {
    std::uint32_t timeLow;
    std::uint16_t timeMid;
    std::uint16_t timeHighAndVersion;
    std::uint8_t clockSeqHighAndReserved;
    std::uint8_t clockSeqLow;
    std::uint8_t node[6];
};
static_assert(sizeof(Uuid) == 16);

// The version-5 UUID of `length` bytes at `name` (no terminator) in the DNS namespace. A null
// name hashes the namespace alone.
Uuid create_sha1_guid_from_name(const char* name, std::size_t length);

}  // namespace Crypto

namespace Vst3Adapter::detail {

// Puts a UUID record, copied byte for byte, into the byte order of a VST3 class ID: reverses
// bytes 0-3, swaps 4 and 5, swaps 6 and 7. The result is the UUID in its canonical byte order.
void makeCIDComCompatible(std::span<char, 16> cid);

}  // namespace Vst3Adapter::detail
