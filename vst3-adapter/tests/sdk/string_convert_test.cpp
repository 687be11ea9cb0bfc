#include "sdk/string_convert.hpp"

#include <array>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace StringConvert = Steinberg::Vst::StringConvert;

TEST(StringConvert, ConvertsBothWaysAndReplacesWhatIsMalformed) {
    struct Row {
        std::string utf8;
        std::u16string utf16;
    };
    const Row rows[] = {
        {"", u""},
        {"Vantrel \xC3\x96ndrix \xE2\x82\xAC", u"Vantrel Öndrix €"},
        {"\xF0\x9F\x8E\xB5", u"\U0001F3B5"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(StringConvert::convert(row.utf8), row.utf16);
        EXPECT_EQ(StringConvert::convert(row.utf16), row.utf8);
    }
    EXPECT_EQ(StringConvert::convert(std::string("a\x80" "b\xE2\x82")), u"a\uFFFDb\uFFFD");
    EXPECT_EQ(StringConvert::convert(std::string("\xED\xA0\x80" "z")), u"\uFFFDz");
    EXPECT_EQ(StringConvert::convert(std::u16string(u"a\xD800z")), "a\xEF\xBF\xBDz");
}

TEST(StringConvert, FillsBoundedFieldsWithWholeCharacters) {
    std::array<char16_t, 4> field{};
    EXPECT_TRUE(StringConvert::convert("abc", field.data(), 4));
    EXPECT_EQ(std::u16string(field.data()), u"abc");
    EXPECT_FALSE(StringConvert::convert("abcd", field.data(), 4));
    EXPECT_EQ(std::u16string(field.data()), u"abc");
    // The pair would need the terminator's place: it is left out whole.
    EXPECT_FALSE(StringConvert::convert("ab\xF0\x9F\x8E\xB5", field.data(), 4));
    EXPECT_EQ(std::u16string(field.data()), u"ab");
    EXPECT_FALSE(StringConvert::convert("a", nullptr, 4));

    EXPECT_EQ(StringConvert::convert(static_cast<const char16_t*>(nullptr)), "");
    EXPECT_EQ(StringConvert::convert(u"abcdef", 3), "abc");
}

}  // namespace
