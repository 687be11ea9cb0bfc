#include "helpers/utf16.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Vst3Adapter::detail::utf8_to_utf16l;
using Units = std::vector<std::uint16_t>;

// Converts into `count` units of a larger buffer filled with a guard value, and returns the
// whole buffer so the test sees every unit written, inside the count or past it.
Units convert(const char* in, std::size_t count) {
    Units buffer(count + 4, 0xBEEF);
    utf8_to_utf16l(in, buffer.data(), count);
    return buffer;
}

Units withGuard(Units written, std::size_t count) {
    written.resize(count + 4, 0xBEEF);
    return written;
}

TEST(Utf8ToUtf16, ConvertsAndStopsWhereTheTextGoesWrong) {
    struct Row {
        const char* name;
        std::string in;
        std::size_t count;
        Units out;  // up to and with the terminator; the rest of the count stays untouched
    };
    const Row rows[] = {
        {"ascii and two-byte", "a\xC3\xA9", 8, {0x61, 0xE9, 0}},
        {"three-byte", "\xE2\x82\xAC", 8, {0x20AC, 0}},
        {"emoji as a surrogate pair", "\xF0\x9F\x8E\xB5", 8, {0xD83C, 0xDFB5, 0}},
        {"isolated continuation byte", "a\x80" "b", 8, {0x61, 0}},
        {"invalid lead byte", "a\xF8\x80\x80\x80", 8, {0x61, 0}},
        {"truncated sequence", "a\xE2\x82", 8, {0x61, 0}},
        {"lead byte before a plain byte", "a\xC3" "b", 8, {0x61, 0}},
        {"three-byte lead with one continuation", "a\xE2\x82" "b", 8, {0x61, 0}},
        {"overlong two-byte slash", "a\xC0\xAF", 8, {0x61, 0}},
        {"overlong three-byte", "a\xE0\x80\xAF", 8, {0x61, 0}},
        {"surrogate code point", "a\xED\xA0\x80" "b", 8, {0x61, 0}},
        {"above U+10FFFF", "a\xF4\x90\x80\x80" "b", 8, {0x61, 0}},
        {"cut to the room", "abcdefghij", 5, {0x61, 0x62, 0x63, 0}},
        // Count 6: two units of room left after "abc" leave no room for a pair.
        {"emoji with two units of room", "abc\xF0\x9F\x8E\xB5", 6, {0x61, 0x62, 0x63, 0}},
        {"emoji with three units of room", "ab\xF0\x9F\x8E\xB5", 6, {0x61, 0x62, 0xD83C, 0xDFB5, 0}},
        {"count 2", "abc", 2, {0}},
        {"count 1", "abc", 1, {0}},
    };
    for (const Row& row : rows) {
        Units expected(row.count + 4, 0xBEEF);
        std::copy(row.out.begin(), row.out.end(), expected.begin());
        EXPECT_EQ(convert(row.in.c_str(), row.count), expected) << row.name;
    }
}

TEST(Utf8ToUtf16, NullArgumentsWriteNothingOrOnlyTheTerminator) {
    EXPECT_EQ(convert("abc", 0), withGuard({0xBEEF}, 0));
    EXPECT_EQ(convert(nullptr, 4), withGuard({0, 0xBEEF, 0xBEEF, 0xBEEF}, 4));
    utf8_to_utf16l("abc", static_cast<std::uint16_t*>(nullptr), 8);  // must not crash

    std::array<char16_t, 4> wide{};
    utf8_to_utf16l("\xC3\xA9z", wide.data(), wide.size());
    EXPECT_EQ(wide, (std::array<char16_t, 4>{0xE9, u'z', 0, 0}));
}

}  // namespace
