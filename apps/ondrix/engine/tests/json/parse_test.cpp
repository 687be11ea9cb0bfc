#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json/messages.hpp"
#include "json/parse.hpp"

namespace ondrix_engine::json {
namespace {

struct SyntaxCase {
    std::string text;
    std::string error;  // with its position
};

TEST(Parse, MalformedTextIsReportedWithItsPosition) {
    const std::vector<SyntaxCase> cases = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {"  \n ", "EOF while parsing a value at line 2 column 1"},
        {"[1,2", "EOF while parsing a list at line 1 column 4"},
        {"{\"a\":1", "EOF while parsing an object at line 1 column 6"},
        {"\"abc", "EOF while parsing a string at line 1 column 4"},
        {"[1,", "EOF while parsing a value at line 1 column 3"},
        {"{\"a\" 1}", "expected `:` at line 1 column 6"},
        {"[1 2]", "expected `,` or `]` at line 1 column 4"},
        {"{\"a\":1 \"b\":2}", "expected `,` or `}` at line 1 column 8"},
        {"nul", "EOF while parsing a value at line 1 column 3"},
        {"[tru]", "expected ident at line 1 column 5"},
        {"[x]", "expected value at line 1 column 2"},
        {"[,1]", "expected value at line 1 column 2"},
        {"\"a\\qb\"", "invalid escape at line 1 column 4"},
        {"\"\\u12G4\"", "invalid escape at line 1 column 6"},
        {"01", "invalid number at line 1 column 2"},
        {"-x", "invalid number at line 1 column 2"},
        {"1.", "EOF while parsing a value at line 1 column 2"},
        {"[1.]", "invalid number at line 1 column 4"},
        {"[1e]", "invalid number at line 1 column 4"},
        {"1e400", "number out of range at line 1 column 5"},
        {"-1e400", "number out of range at line 1 column 6"},
        {"\"a\xff\"", "invalid unicode code point at line 1 column 4"},
        {"\"a\tb\"",
         "control character (\\u0000-\\u001F) found while parsing a string at line 1 "
         "column 3"},
        {"{1:2}", "key must be a string at line 1 column 2"},
        {"\"\\udc00\"", "lone leading surrogate in hex escape at line 1 column 7"},
        {"\"\\ud800\\u0041\"", "lone leading surrogate in hex escape at line 1 column 13"},
        {"\"\\ud800x\"", "unexpected end of hex escape at line 1 column 8"},
        {"\"\\ud800\\n\"", "unexpected end of hex escape at line 1 column 9"},
        {"\"\\u12", "EOF while parsing a string at line 1 column 5"},
        {"[1,]", "trailing comma at line 1 column 4"},
        {"{\"a\":1,}", "trailing comma at line 1 column 8"},
        {"[1] [2]", "trailing characters at line 1 column 5"},
        {"{\"a\":\n  [1,\n   2 3]}", "expected `,` or `]` at line 3 column 6"},
    };
    for (const SyntaxCase& c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = parse(c.text);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error(), c.error);
    }
}

TEST(Parse, NumbersKeepTheirKind) {
    const auto tree = parse(
        R"([0, 18446744073709551615, 18446744073709551616, -1, -9223372036854775808,
            -9223372036854775809, -0, 1.5, 2e2, 1e-400])");
    ASSERT_TRUE(tree.ok()) << tree.error();
    const nlohmann::json& a = tree.value();
    EXPECT_TRUE(a[0].is_number_unsigned());
    EXPECT_EQ(a[1].get<std::uint64_t>(), UINT64_MAX);
    EXPECT_TRUE(a[1].is_number_unsigned());
    EXPECT_TRUE(a[2].is_number_float());
    EXPECT_EQ(a[2].get<double>(), 18446744073709551616.0);
    EXPECT_TRUE(a[3].is_number_integer() && !a[3].is_number_unsigned());
    EXPECT_EQ(a[4].get<std::int64_t>(), INT64_MIN);
    EXPECT_TRUE(a[5].is_number_float());
    EXPECT_TRUE(a[6].is_number_float());
    EXPECT_TRUE(std::signbit(a[6].get<double>()));
    EXPECT_EQ(a[7].get<double>(), 1.5);
    EXPECT_TRUE(a[8].is_number_float());
    EXPECT_EQ(a[9].get<double>(), 0.0);
    EXPECT_EQ(a.dump(),
              "[0,18446744073709551615,1.8446744073709552e+19,-1,-9223372036854775808,"
              "-9.223372036854776e+18,-0.0,1.5,200.0,0.0]");
}

TEST(Parse, DoublesAreTheNearestToTheirDecimal) {
    for (const std::string literal :
         {"0.1", "0.30000001192092896", "-2.5e-3", "1e22", "1e23", "123456789012345.6",
          "9007199254740993.0", "123456789012345678e-5", "4.9e-324", "2.2250738585072011e-308",
          "1.7976931348623157e308", "0.000001", "100e-2", "7.0e-10", "1E+2"}) {
        SCOPED_TRACE(literal);
        const auto tree = parse(literal);
        ASSERT_TRUE(tree.ok()) << tree.error();
        EXPECT_EQ(tree.value().get<double>(), std::strtod(literal.c_str(), nullptr));
    }
}

TEST(Parse, ObjectsAreSortedWithTheLastValueOfARepeatedKey) {
    const auto tree = parse(R"( {"b": [true, null], "a": {"y": "\u00e9\ud83d\ude00\n", "x": 1},
                               "b": false} )");
    ASSERT_TRUE(tree.ok()) << tree.error();
    EXPECT_EQ(tree.value().dump(),
              "{\"a\":{\"x\":1,\"y\":\"\xc3\xa9\xf0\x9f\x98\x80\\n\"},\"b\":false}");
}

// 127 levels are allowed; the 128th fails where it opens, however long the text goes on.
TEST(Parse, NestingIsLimitedTo127Levels) {
    const auto deepest = parse(std::string(127, '[') + std::string(127, ']'));
    ASSERT_TRUE(deepest.ok()) << deepest.error();
    EXPECT_EQ(deepest.value().dump(), std::string(127, '[') + std::string(127, ']'));

    EXPECT_EQ(parse(std::string(128, '[') + std::string(128, ']')).error(),
              "recursion limit exceeded at line 1 column 128");
    EXPECT_EQ(parse(std::string(1 << 20, '[')).error(),
              "recursion limit exceeded at line 1 column 128");
    std::string objects;
    for (int i = 0; i < 200000; ++i) objects += "{\"a\":";
    EXPECT_EQ(parse(objects).error(), "recursion limit exceeded at line 1 column 636");
}

TEST(Parse, DeepTreesAreDestroyedWithoutRecursion) {
    nlohmann::json tree = nlohmann::json::array();
    for (int i = 0; i < 200000; ++i) tree = nlohmann::json::array({std::move(tree)});
    tree = nullptr;  // nlohmann 3.11 tears nested values down with an explicit stack
    SUCCEED();
}

TEST(Messages, FoundTexts) {
    struct Row {
        std::string got;
        std::string want;
    };
    const std::vector<Row> rows = {
        {messages::found_float(3.0), "floating point `3.0`"},
        {messages::found_float(1.5), "floating point `1.5`"},
        {messages::found_float(-0.0), "floating point `-0.0`"},
        {messages::found_float(1e16), "floating point `1e+16`"},
        {messages::found_float(1e15), "floating point `1000000000000000.0`"},
        {messages::found_float(0.1), "floating point `0.1`"},
        {messages::found_float(1e-5), "floating point `0.00001`"},
        {messages::found_float(1.5e-7), "floating point `1.5e-7`"},
        {messages::found_float(1.8446744073709552e19), "floating point `1.8446744073709552e+19`"},
        {messages::found_string("a\"b\\c\n\r\t"), R"(string "a\"b\\c\n\r\t")"},
        {messages::found_string(std::string("\0\x1f\x7f\xc3\xa9", 5)),
         "string \"\\0\\u{1f}\\u{7f}\xc3\xa9\""},
        // U+0085 is a control character, U+00A0 is not.
        {messages::found_string("\xc2\x85\xc2\xa0"), "string \"\\u{85}\xc2\xa0\""},
        {messages::found_bool(false), "boolean `false`"},
        {messages::found_signed(-4), "integer `-4`"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.got, row.want);
}

}  // namespace
}  // namespace ondrix_engine::json
