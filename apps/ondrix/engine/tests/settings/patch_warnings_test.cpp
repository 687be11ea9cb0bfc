// What the text reader points out about a patch it reads: the keys it ignores and the outputs
// whose numbers are not sent as written, placed in the text like its errors, and nothing else
// about the read changes.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/patch.hpp"
#include "settings/patch_warnings.hpp"

namespace ondrix_engine::settings {
namespace {

// " at line L column C" for the last byte of the first `needle` in `text`.
std::string at(const std::string& text, const std::string& needle) {
    const std::size_t found = text.find(needle);
    EXPECT_NE(found, std::string::npos) << needle;
    const std::size_t end = found + needle.size();
    const std::size_t line_start = text.rfind('\n', end - 1);
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(
                                     text.begin(), text.begin() + static_cast<long>(end), '\n'));
    const std::size_t column = line_start == std::string::npos ? end : end - line_start - 1;
    return " at line " + std::to_string(line) + " column " + std::to_string(column);
}

std::vector<std::string> warnings_of(const std::string& text) {
    json::Notes notes;
    const auto read = Patch::from_json_text(text, notes);
    const auto plain = Patch::from_json_text(text);
    EXPECT_EQ(read.ok(), plain.ok());
    if (read.ok() && plain.ok()) {
        EXPECT_EQ(read.value(), plain.value());
    } else if (!read.ok() && !plain.ok()) {
        EXPECT_EQ(read.error(), plain.error());
    }
    return warnings::of_notes(text, notes);
}

TEST(PatchWarnings, IgnoredKeysWhereverTheyStandAndInDocumentOrder) {
    const std::string text =
        "{\"about\": \"a note, never warned about\",\n"
        " \"sources\": [{\"shape\": {\"kind\": \"sine\", \"table\": [1]}, \"depht\": 0.5,\n"
        "   \"rate\": [\"free\", 1], \"about\": 1}],\n"
        " \"routes\": [{\"from\": 0, \"tapp\": 1, \"to\": \"output\", \"index\": 0,\n"
        "   \"param\": \"rate\", \"amount\": 1}],\n"
        " \"outputs\": [{\"CC\": 5, \"cc\": 1, \"x\": 1, \"x\": 2,\n"
        "   \"dest\": {\"kind\": \"cv\", \"port\": {\"type\": \"channel\", \"index\": 2, "
        "\"\\u001b[0m\": 3}},\n"
        "   \"quantize\": {\"scale\": \"major\", \"rooot\": 3}}]}";
    EXPECT_EQ(warnings_of(text),
              (std::vector<std::string>{
                  "the reader ignores the key \"table\"" + at(text, "\"table\""),
                  "the reader ignores the key \"depht\"" + at(text, "\"depht\""),
                  "the reader ignores the key \"tapp\"" + at(text, "\"tapp\""),
                  "the reader ignores the key \"param\"" + at(text, "\"param\""),
                  "the reader ignores the key \"CC\"" + at(text, "\"CC\""),
                  "the reader ignores the key \"x\"" + at(text, "\"x\""),
                  "the reader ignores the key \"x\"" + at(text, "\"x\": 1, \"x\""),
                  "the reader ignores the key \"\\u{1b}[0m\"" + at(text, "\"\\u001b[0m\""),
                  "the reader ignores the key \"rooot\"" + at(text, "\"rooot\""),
              }));
}

TEST(PatchWarnings, OutputsNotSentAsWritten) {
    struct Case {
        std::string output;
        std::string value;  // where the warnings stand
        std::vector<std::string> said;
    };
    const std::vector<Case> cases = {
        {R"({"cc": 128})", "128", {"controller 128 is above 127 and is sent as controller 0"}},
        {R"({"cc": 200, "enabled": false})",
         "200",
         {"controller 200 is above 127 and is sent as controller 72"}},
        {R"({"cc": 123})",
         "123",
         {"controller 123 is the channel mode message All Notes Off, not a control change"}},
        {R"([true, 0, 250])",
         "250",
         {"controller 250 is above 127 and is sent as controller 122",
          "controller 122 is the channel mode message Local Control, not a control change"}},
        {R"({"channel": 16, "cc": 1})",
         "16",
         {"channel 16 is above 15 and is sent on channel 0 (MIDI channel 1)"}},
        {R"({"channel": 15, "cc": 119, "fine": true})", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        const std::string text = R"({"sources": [], "outputs": [)" + c.output + "]}";
        std::vector<std::string> expected;
        for (const std::string& said : c.said) expected.push_back(said + at(text, c.value));
        EXPECT_EQ(warnings_of(text), expected);
    }
}

TEST(PatchWarnings, AReadThatFailsKeepsItsErrorAndWhatWasSaidBeforeIt) {
    const std::string text = R"({"sources": [], "outputs": [{"cc": 130, "CC": 1}, {"cc": 256}]})";
    EXPECT_EQ(warnings_of(text),
              (std::vector<std::string>{
                  "controller 130 is above 127 and is sent as controller 2" + at(text, "130"),
                  "the reader ignores the key \"CC\"" + at(text, "\"CC\""),
              }));
}

}  // namespace
}  // namespace ondrix_engine::settings
