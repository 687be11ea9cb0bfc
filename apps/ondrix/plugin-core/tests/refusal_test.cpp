// The reason the plug-in logs when it refuses a state, and the readers' agreement on it.
#include "refusal.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core.hpp"

namespace ondrix_plugin_core {
namespace {

TEST(StateRefusal, SaysWhatTheTreeHoldsWhereTheDocumentHoldsIt) {
    struct Case {
        std::string document;
        std::string reason;  // empty: accepted
    };
    const std::vector<Case> cases = {
        {"{\"version\": 1,\n \"patch\": {\"sources\": [],\n  \"outputs\": [{\"cc\": 300}]}}",
         "invalid value: integer `300`, expected u8 at line 3 column 24"},
        // A key given twice holds its last value, which is the one the reason is about.
        {R"({"patch":{"sources":[],"outputs":[{"cc":1,"cc":300}]}})",
         "invalid value: integer `300`, expected u8 at line 1 column 50"},
        {R"({"patch":{"sources":1,"sources":[],"outputs":[{"channel":0}]}})",
         "missing field `cc` at line 1 column 59"},
        {R"({"patch":{"sources":1,"sources":[],"outputs":[{"cc":300,"cc":3}]}})", ""},
        {R"({"patch":{"outputs":[]},"pad":"}{","patch":{"sources":[],"outputs":{}}})",
         "invalid type: map, expected a sequence at line 1 column 67"},
        {R"({"patch":{"outputs":[{"cc":300}]},"patch":null})", ""},
        {R"({"patch":{"sources":[],"outputs":[]},"patch":[1]})",
         "invalid type: integer `1`, expected a sequence at line 1 column 47"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.document);
        Core core;
        EXPECT_EQ(core.load_state(c.document), c.reason.empty());
        EXPECT_EQ(state_refusal(c.document).value_or(std::string()), c.reason);
    }
}

}  // namespace
}  // namespace ondrix_plugin_core
