#include "helpers/class_id.hpp"
#include "helpers/sha1.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string hex(const Crypto::Sha1Digest& digest) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

// The FIPS 180-1 examples; the 56-byte message needs a second block for its length.
TEST(Sha1, GivesThePublishedDigests) {
    struct Row {
        std::string message;
        const char* digest;
    };
    const Row rows[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1'000'000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(hex(Crypto::sha1(row.message.data(), row.message.size())), row.digest)
            << row.message.size() << " bytes";
    }
}

TEST(Sha1, FedInPiecesEqualsAtOnceAndStartsAfreshAfterAHash) {
    const std::string message = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    Crypto::Sha1 pieces;
    for (char c : message) {
        pieces.input(&c, 1);
    }
    EXPECT_EQ(hex(pieces.hash()), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    pieces.input("abc", 3);
    EXPECT_EQ(hex(pieces.hash()), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

std::array<std::uint8_t, 16> classIdOf(const char* name, std::size_t length) {
    const Crypto::Uuid uuid = Crypto::create_sha1_guid_from_name(name, length);
    std::array<char, 16> cid{};
    std::memcpy(cid.data(), &uuid, 16);
    Vst3Adapter::detail::makeCIDComCompatible(cid);
    std::array<std::uint8_t, 16> bytes{};
    std::memcpy(bytes.data(), cid.data(), 16);
    return bytes;
}

// Rows from Python's uuid.uuid5(uuid.NAMESPACE_DNS, name).bytes: a class ID is the standard
// version-5 UUID of the text in canonical byte order.
TEST(ClassId, IsTheVersion5UuidOfTheNameInTheDnsNamespace) {
    using Bytes = std::array<std::uint8_t, 16>;
    struct Row {
        std::string name;
        Bytes id;
    };
    const Row rows[] = {
        {"app.vantrel.ondrix.plugin",
         {0x98, 0x6A, 0x9A, 0x7B, 0xC0, 0xF5, 0x5B, 0xAB, 0xBC, 0x97, 0x60, 0x7C, 0x93, 0x87, 0xBB,
          0x0D}},
        {"",
         {0x4E, 0xBD, 0x02, 0x08, 0x83, 0x28, 0x5D, 0x69, 0x8C, 0x44, 0xEC, 0x50, 0x93, 0x9C, 0x09,
          0x67}},
        // With the 16 namespace bytes, 56 bytes: the length goes into a block of its own.
        {std::string(40, 'c'),
         {0x24, 0xCF, 0xAE, 0xC9, 0xC7, 0xDD, 0x5D, 0xB9, 0xAB, 0x10, 0x37, 0x39, 0x34, 0x98, 0x56,
          0xC0}},
        {std::string(55, 'a'),
         {0xAB, 0x36, 0x06, 0x1E, 0x99, 0x83, 0x59, 0xB3, 0xA1, 0x71, 0xF6, 0x0B, 0xDA, 0x1E, 0x58,
          0x97}},
        {std::string(64, 'b'),
         {0xF0, 0x1A, 0x19, 0x58, 0xBA, 0x81, 0x52, 0xA9, 0xBE, 0x18, 0xDB, 0xB1, 0xEA, 0x96, 0x86,
          0xCC}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(classIdOf(row.name.data(), row.name.size()), row.id) << '"' << row.name << '"';
    }
    // A null name hashes the namespace alone, as the empty one does.
    EXPECT_EQ(classIdOf(nullptr, 5), rows[1].id);
}

TEST(ClassId, RecordHoldsItsFirstFieldsInHostOrder) {
    const Crypto::Uuid uuid = Crypto::create_sha1_guid_from_name("app.vantrel.ondrix.plugin", 25);
    EXPECT_EQ(uuid.timeLow, 0x986A9A7Bu);
    EXPECT_EQ(uuid.timeMid, 0xC0F5u);
    EXPECT_EQ(uuid.timeHighAndVersion, 0x5BABu);
    EXPECT_EQ(uuid.clockSeqHighAndReserved, 0xBCu);
    EXPECT_EQ(Crypto::swapOrder32(0x11223344), 0x44332211u);
    EXPECT_EQ(Crypto::swapOrder16(0x1122), 0x2211u);
}

}  // namespace
