#include "protocol/unicode.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ondrix_plugin_core::protocol {
namespace {

using namespace std::string_literals;

TEST(Utf8, ValidityAndReplacementFollowMaximalSubparts) {
    struct Case {
        std::string bytes;
        bool valid;
        std::string lossy;
    };
    const std::string fffd = "\uFFFD";
    const std::vector<Case> cases = {
        {"", true, ""},
        {"plain", true, "plain"},
        {"\u00E9\u20AC\U0001F3B9", true, "\u00E9\u20AC\U0001F3B9"},
        {"\xEF\xBF\xBF"s, true, "\xEF\xBF\xBF"s},          // U+FFFF is a noncharacter, still valid
        {"\xF4\x8F\xBF\xBF"s, true, "\xF4\x8F\xBF\xBF"s},  // U+10FFFF
        {"a\xFF"s + "b", false, "a" + fffd + "b"},
        {"\x80"s, false, fffd},
        {"\xC0\x80"s, false, fffd + fffd},                        // overlong NUL
        {"\xE0\x80\x80"s, false, fffd + fffd + fffd},             // overlong three-byte form
        {"\xED\xA0\x80"s, false, fffd + fffd + fffd},             // surrogate D800
        {"\xF4\x90\x80\x80"s, false, fffd + fffd + fffd + fffd},  // past U+10FFFF
        {"\xF0\x9F\x8E"s + "x", false, fffd + "x"},               // truncated four-byte form
        {"\xE2\x82"s, false, fffd},                               // truncated at the end
        {"\xC3"s + "\xA9\xA9"s, false, "\u00E9" + fffd},          // stray continuation byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(is_valid_utf8(c.bytes), c.valid);
        EXPECT_EQ(utf8_lossy(c.bytes), c.lossy);
    }
}

TEST(Utf8, TrimRemovesUnicodeWhiteSpaceOnly) {
    struct Case {
        std::string text;
        std::string trimmed;
    };
    const std::vector<Case> cases = {
        {"  Bass ", "Bass"},
        {"\t\n\r\v\fx\x20", "x"},
        {"\u00A0\u2003\u3000Lead\u2028\u0085", "Lead"},  // no-break, em, ideographic spaces ...
        {"   ", ""},
        {"", ""},
        {"a  b", "a  b"},
        {"\u200BPad\u200B", "\u200BPad\u200B"},  // zero width space is not white space
        {" \xFF "s, "\xFF"s},                    // ill-formed bytes are kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(trim_white_space(c.text), c.trimmed);
    }
}

TEST(Utf8, LowercaseIsTheFullLanguageIndependentMapping) {
    struct Case {
        std::string text;
        std::string lower;
    };
    const std::vector<Case> cases = {
        {"Bass LEAD 12", "bass lead 12"},
        {"\u00C9MILE", "\u00E9mile"},
        {"\u039F\u0394\u039F\u03A3", "\u03BF\u03B4\u03BF\u03C2"},  // final sigma
        {"\u0130", "i\u0307"},                                     // dotted capital I grows
        {"\uFFFD", "\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(to_lower(c.text), c.lower);
    }
}

}  // namespace
}  // namespace ondrix_plugin_core::protocol
