#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json/parse.hpp"
#include "settings/patch.hpp"

namespace ondrix_engine::settings {
namespace {

// Fixtures put one source, output or route into an otherwise empty patch.
const std::string kSourcePrefix = R"({"sources":[)";
const std::string kOutputPrefix = R"({"sources":[],"outputs":[)";
const std::string kRoutePrefix = R"({"sources":[],"outputs":[],"routes":[)";

std::string source(const std::string& snippet) {
    return kSourcePrefix + snippet + R"(],"outputs":[]})";
}
std::string output(const std::string& snippet) {
    return kOutputPrefix + snippet + "]}";
}
std::string route(const std::string& snippet) {
    return kRoutePrefix + snippet + "]}";
}

const std::string kSine = R"({"kind":"sine"})";
const std::string kFree = R"({"mode":"free","hz":1})";
std::string with_shape(const std::string& shape) {
    return R"({"rate":{"mode":"free","hz":1},"shape":)" + shape + "}";
}
std::string with_rate(const std::string& rate) {
    return R"({"shape":{"kind":"sine"},"rate":)" + rate + "}";
}

struct Case {
    std::string text;
    std::string error;  // message without position; "" reads fine
    // The text reader reports the error at the last byte of the first occurrence of `at`.
    std::string at;
    std::string tree_error{};  // when the tree reader differs; "ok" reads fine there
};

std::string position(const Case& c) {
    const std::size_t found = c.text.find(c.at);
    EXPECT_NE(found, std::string::npos) << c.at;
    return " at line 1 column " + std::to_string(found + c.at.size());
}

void check(const Case& c) {
    SCOPED_TRACE(c.text);
    const auto text = Patch::from_json_text(c.text);
    if (c.error.empty()) {
        EXPECT_TRUE(text.ok()) << text.error();
    } else {
        ASSERT_FALSE(text.ok());
        EXPECT_EQ(text.error(), c.error + position(c));
    }
    const auto tree = json::parse(c.text);
    if (!tree.ok()) {
        EXPECT_EQ(text.error(), tree.error());  // a syntax fault reads the same either way
        return;
    }
    const auto from_tree = Patch::from_json_tree(tree.value());
    const std::string want = c.tree_error.empty() ? c.error : c.tree_error;
    if (want.empty() || want == "ok") {
        EXPECT_TRUE(from_tree.ok()) << from_tree.error();
    } else {
        ASSERT_FALSE(from_tree.ok());
        EXPECT_EQ(from_tree.error(), want);
    }
}

void check_all(const std::vector<Case>& cases) {
    for (const Case& c : cases) check(c);
}

const std::string kShapeList =
    "one of `sine`, `triangle`, `saw`, `sawDown`, `sawUp`, `square`, `sampleHold`, "
    "`smoothRandom`, `morph`, `drawn`, `field`, `pendulum`, `lorenz`, `cvIn`, `wander`";
const std::string kMotionList = "one of `drift`, `flow`, `spin`, `rain`, `wave`, `cells`";
const std::string kParamList =
    "one of `rate`, `depth`, `offset`, `phase`, `a`, `b`, `spread`, `smooth`, `rough`";
const std::string kScaleList =
    "one of `chromatic`, `major`, `minor`, `harmonicMinor`, `dorian`, `phrygian`, `lydian`, "
    "`mixolydian`, `pentatonicMajor`, `pentatonicMinor`, `blues`, `wholeTone`";

TEST(PatchErrors, PatchDocument) {
    check_all({
        {R"({"sources":[],"outputs":[]})", "", ""},
        {R"({"outputs":[]})", "missing field `sources`", R"([]})"},
        {R"({"sources":[]})", "missing field `outputs`", R"([]})"},
        {R"({})", "missing field `sources`", "{}"},
        {R"([])", "invalid length 0, expected struct Patch with 4 elements", "[]"},
        {R"([[]])", "invalid length 2, expected struct Patch with 4 elements", "[[]]"},
        {R"([[],[]])", "invalid length 2, expected struct Patch with 4 elements", "[[],[]]"},
        {R"([[],[],[]])", "", ""},
        {R"([[],[],[],1,2])", "trailing characters", "1,2",
         "invalid length 5, expected fewer elements in array"},
        {R"([[],[],[],1,])", "trailing comma", "1,]",
         "invalid length 4, expected fewer elements in array"},
        {R"("x")", "invalid type: string \"x\", expected struct Patch", R"("x")"},
        {R"(null)", "invalid type: null, expected struct Patch", "null"},
        {R"({"sources":{},"outputs":[]})", "invalid type: map, expected a sequence",
         R"("sources":)"},
        {R"({"sources":[],"outputs":[],"tempo":null})", "invalid type: null, expected f32", "null"},
        {R"({"sources":[],"outputs":[],"tempo":"1"})", "invalid type: string \"1\", expected f32",
         R"("1")"},
        {R"({"sources":[],"outputs":[]} x)", "trailing characters", "x"},
        {R"({"sources":[],"outputs":[],"sources":[]})", "duplicate field `sources`",
         R"([],"sources")", "ok"},
        {R"({"sources":[],"outputs":[],"x":1,"x":2})", "", ""},
    });
}

TEST(PatchErrors, Sources) {
    const std::string drawn_last = with_shape(R"({"kind":"drawn"})");
    check_all({
        // A fault in buffered entries is placed where the enclosing record stopped reading:
        // at its closing brace, or at the end of the tagged value when more entries follow.
        {source(drawn_last), "missing field `table`", drawn_last},
        {source(R"({"shape":{"kind":"drawn"},"rate":{"mode":"free","hz":1}})"),
         "missing field `table`", R"({"shape":{"kind":"drawn"})"},
        {source(R"({"enabled":"yes"})"), "invalid type: string \"yes\", expected a boolean",
         R"("yes")"},
        {source(R"([])"), "invalid length 1, expected struct Source with 13 elements", "[[]"},
        {source(R"([true])"), "invalid length 1, expected struct Source with 13 elements",
         "[true]"},
        {source("[true," + kSine + "]"),
         "invalid length 2, expected struct Source with 13 elements", kSine + "]"},
        {source("[true," + kSine + "," + kFree + "]"), "", ""},
        {source("[true," + kSine + "," + kFree + ",0,0.5,0,1,1,0,false,0,0,0,1]"),
         "trailing characters", ",0,0,0,1", "invalid length 14, expected fewer elements in array"},
        {source(R"({"shape":{"kind":"sine"},"rate":{"mode":"free","hz":1},"depth":1,"depth":2})"),
         "duplicate field `depth`", R"("depth":1,"depth")", "ok"},
        {source(R"({"shape":{"kind":"sine"},"rate":{"mode":"free","hz":1},"x":1,"x":[2]})"), "",
         ""},
        {source(R"({"shape":{"kind":"sine"},"rate":{"mode":"free","hz":1},"bits":300})"),
         "invalid value: integer `300`, expected u8", "300"},
        {source(R"({"shape":{"kind":"sine"},"rate":{"mode":"free","hz":1},"bits":3.0})"),
         "invalid type: floating point `3.0`, expected u8", "3.0"},
        {source(R"({"shape":{"kind":"sine"},"rate":{"mode":"free","hz":1},"bits":-1})"),
         "invalid value: integer `-1`, expected u8", "-1"},
        // Faults met while reading come first; the tree meets keys in ascending order.
        {source(
             R"({"shape":{"kind":"sine"},"rate":{"mode":"free","hz":1},"phase":"x","bits":300})"),
         "invalid type: string \"x\", expected f32", R"("x")",
         "invalid value: integer `300`, expected u8"},
        {source(R"({"enabled":1,"rate":{"mode":"free","hz":1}})"),
         "invalid type: integer `1`, expected a boolean", R"("enabled":1)"},
    });
}

// The shape is the source's last entry, so faults found in its buffered entries are placed at
// the source's closing brace.
Case shape_case(const std::string& shape, const std::string& error, std::string at = "") {
    const std::string snippet = with_shape(shape);
    return {source(snippet), error, at.empty() ? snippet : at};
}

TEST(PatchErrors, Shapes) {
    check_all({
        shape_case(R"({"kind":3})", "invalid type: integer `3`, expected variant identifier",
                   R"("kind":3)"),
        shape_case(R"("sine")",
                   "invalid type: string \"sine\", expected internally tagged enum Shape",
                   R"("shape":"sine")"),
        shape_case(R"(["sine"])", ""),
        shape_case(R"(["sine",1])", "invalid length 1, expected 0 elements in sequence"),
        shape_case(R"({"kind":"Sine"})", "unknown variant `Sine`, expected " + kShapeList,
                   R"("Sine")"),
        shape_case(R"({})", "missing field `kind`", R"("shape":{})"),
        shape_case(R"([])", "missing field `kind`", R"("shape":[])"),
        // The tag is checked as soon as it is read, before anything after it.
        shape_case(R"({"kind":"nope","table":"x"})",
                   "unknown variant `nope`, expected " + kShapeList, R"("nope")"),
        shape_case(R"({"table":"x","kind":"drawn"})",
                   "invalid type: string \"x\", expected a sequence"),
        shape_case(R"(["drawn"])",
                   "invalid length 0, expected struct variant Shape::Drawn with 1 element"),
        shape_case(R"({"kind":"drawn","table":[]})", ""),
        shape_case(R"({"kind":"sine","table":[1]})", ""),
        shape_case(R"({"kind":"field","motion":2})",
                   "invalid type: integer `2`, expected string or map"),
        shape_case(R"({"kind":"field","motion":{"spin":0}})",
                   "invalid type: integer `0`, expected unit"),
        shape_case(R"({"kind":"field","motion":{}})",
                   "invalid value: map, expected map with a single key"),
        shape_case(R"({"kind":"field","motion":{"spin":null,"flow":null}})",
                   "invalid value: map, expected map with a single key"),
        shape_case(R"({"kind":"field","motion":"twirl"})",
                   "unknown variant `twirl`, expected " + kMotionList),
        shape_case(R"({"kind":"cvIn","channel":256})", "invalid value: integer `256`, expected u8"),
        shape_case(R"(["cvIn",1,2])", "invalid length 2, expected 1 element in sequence"),
        {source(with_shape(R"({"kind":"saw","kind":"saw"})")), "duplicate field `kind`",
         R"("kind":"saw","kind")", "ok"},
    });
}

Case rate_case(const std::string& rate, const std::string& error, std::string at = "") {
    const std::string snippet = with_rate(rate);
    return {source(snippet), error, at.empty() ? snippet : at};
}

TEST(PatchErrors, Rates) {
    check_all({
        rate_case(R"({"mode":"free"})", "missing field `hz`"),
        rate_case(R"({"mode":"sync","hz":2})", "missing field `beats`"),
        rate_case(R"(["sync"])",
                  "invalid length 0, expected struct variant Rate::Sync with 1 element"),
        rate_case(R"(["free"])",
                  "invalid length 0, expected struct variant Rate::Free with 1 element"),
        rate_case(R"(["free",2])", ""),
        rate_case(R"(["free",2,3])", "invalid length 2, expected 1 element in sequence"),
        rate_case(R"({"mode":"fast","hz":2})", "unknown variant `fast`, expected `free` or `sync`",
                  R"("fast")"),
        rate_case(R"({"mode":"free","hz":"2"})", "invalid type: string \"2\", expected f32"),
        rate_case(R"(2)", "invalid type: integer `2`, expected internally tagged enum Rate",
                  R"("rate":2)"),
    });
}

// Every fault of a route's target, and every missing field, is placed at the route's closing
// brace: the target's entries are read after the route's own.
Case route_case(const std::string& snippet, const std::string& error, std::string at = "",
                std::string tree_error = "") {
    return {route(snippet), error, at.empty() ? snippet : at, std::move(tree_error)};
}

TEST(PatchErrors, Routes) {
    check_all({
        route_case(R"({"from":0,"to":"output","index":3,"amount":1})", ""),
        route_case(R"({"from":0,"to":0,"index":3,"amount":1})", "missing field `param`"),
        route_case(R"({"from":0,"to":2,"index":3,"amount":1})",
                   "invalid value: integer `2`, expected variant index 0 <= i < 2"),
        route_case(R"({"from":0,"to":"Output","index":3,"amount":1})",
                   "unknown variant `Output`, expected `source` or `output`"),
        route_case(R"({"from":0,"to":true,"index":3,"amount":1})",
                   "invalid type: boolean `true`, expected variant identifier"),
        route_case(R"({"from":0,"to":-1,"index":3,"amount":1})",
                   "invalid type: integer `-1`, expected variant identifier"),
        route_case(R"({"from":0,"to":null,"index":3,"amount":1})",
                   "invalid type: null, expected variant identifier"),
        route_case(R"({"from":0,"to":"output","index":3,"param":"tempo","amount":1})", ""),
        route_case(R"({"id":7,"from":0,"to":"output","label":"x","index":3,"amount":1})", ""),
        route_case(R"({})", "missing field `from`"),
        route_case(R"({"to":"output","index":1})", "missing field `from`"),
        route_case(R"({"from":0})", "missing field `amount`"),
        route_case(R"({"from":0,"amount":1})", "missing field `to`"),
        route_case(R"({"from":0,"amount":1,"to":"output"})", "missing field `index`"),
        route_case(R"({"from":20,"tap":9,"to":"output","index":200,"amount":1})", ""),
        route_case(R"({"from":-1,"to":"output","index":3,"amount":1})",
                   "invalid value: integer `-1`, expected usize", R"("from":-1)"),
        route_case(R"({"from":1.0,"to":"output","index":3,"amount":1})",
                   "invalid type: floating point `1.0`, expected usize", R"("from":1.0)"),
        route_case(R"({"from":0,"to":"output","index":"3","amount":1})",
                   "invalid type: string \"3\", expected usize"),
        route_case(R"({"from":0,"to":"source","index":0,"param":{"depth":0},"amount":1})",
                   "invalid type: integer `0`, expected unit"),
        route_case(R"({"from":0,"to":"source","index":0,"param":1,"amount":1})",
                   "invalid type: integer `1`, expected string or map"),
        route_case(R"({"from":0,"to":"source","index":0,"param":{},"amount":1})",
                   "invalid value: map, expected map with a single key"),
        route_case(R"({"from":0,"to":"source","index":0,"param":"tempo","amount":1})",
                   "unknown variant `tempo`, expected " + kParamList),
        route_case(R"([0,0,1.0])", "invalid type: sequence, expected struct Route",
                   R"("routes":[)"),
        // Document order in the text, ascending key order in the tree.
        route_case(R"({"tap":"x","from":-1})", "invalid type: string \"x\", expected usize",
                   R"("x")", "invalid value: integer `-1`, expected usize"),
        route_case(R"({"from":0,"from":1})", "duplicate field `from`", R"("from":0,"from")",
                   "missing field `amount`"),
        route_case(R"({"from":0,"amount":1,"to":"output","to":"output","index":1})",
                   "duplicate field `to`", "", "ok"),
        route_case(R"({"from":0,"amount":1,"to":"output","index":1,"index":2})",
                   "duplicate field `index`", "", "ok"),
    });
}

// Faults in a tagged value's buffered entries (the port of a destination, a clock's rate) are
// placed at the output's closing brace, the output's own faults where they stand.
Case output_case(const std::string& snippet, const std::string& error, std::string at = "",
                 std::string tree_error = "") {
    return {output(snippet), error, at.empty() ? snippet : at, std::move(tree_error)};
}

TEST(PatchErrors, Outputs) {
    check_all({
        output_case(R"({"enabled":false})", "missing field `cc`"),
        output_case(R"([])", "invalid length 2, expected struct Output with 12 elements",
                    R"("outputs":[[])"),
        output_case(R"([true,0])", "invalid length 2, expected struct Output with 12 elements"),
        output_case(R"([true,0,16])", ""),
        output_case(R"(7)", "invalid type: integer `7`, expected struct Output", "[7"),
        output_case(R"({"cc":256})", "invalid value: integer `256`, expected u8", "256"),
        output_case(R"({"cc":1,"channel":-1})", "invalid value: integer `-1`, expected u8", "-1"),
        output_case(R"({"cc":127.0})", "invalid type: floating point `127.0`, expected u8",
                    "127.0"),
        output_case(R"({"cc":1,"enabled":true,"enabled":true})", "duplicate field `enabled`",
                    R"(true,"enabled")", "ok"),
        output_case(R"({"cc":1,"dest":"midi"})",
                    "invalid type: string \"midi\", expected internally tagged enum Dest",
                    R"("dest":"midi")"),
        output_case(R"({"cc":1,"dest":{"kind":"midi","port":5}})", ""),
        output_case(R"({"cc":1,"dest":{"kind":"cv"}})", "missing field `port`"),
        output_case(R"({"cc":1,"dest":{"kind":1}})",
                    "invalid type: integer `1`, expected variant identifier", R"("kind":1)"),
        output_case(R"({"cc":1,"dest":{"kind":"clock"}})",
                    "unknown variant `clock`, expected one of `midi`, `cv`, `gate`", R"("clock")"),
        output_case(R"({"cc":1,"dest":["midi",1]})",
                    "invalid length 1, expected 0 elements in sequence"),
        output_case(R"({"cc":1,"dest":{"kind":"cv","port":{"type":"cv"}}})",
                    "unknown variant `cv`, expected `channel` or `expander`"),
        output_case(R"({"cc":1,"dest":{"kind":"cv","port":{"type":2}}})",
                    "invalid value: integer `2`, expected variant index 0 <= i < 2"),
        output_case(R"({"cc":1,"dest":["gate",["expander",1]]})",
                    "invalid length 1, expected struct variant Port::Expander with 2 elements"),
        output_case(R"({"cc":1,"dest":["gate",["expander",1,2,3]]})",
                    "invalid length 3, expected 2 elements in sequence"),
        output_case(R"({"cc":1,"dest":{"kind":"cv","port":{"type":1,"output":2}}})",
                    "missing field `header`"),
        output_case(
            R"({"cc":1,"dest":{"kind":"cv","port":{"type":"channel","index":1,"index":2}}})",
            "duplicate field `index`", "", "ok"),
        output_case(R"({"cc":1,"dest":{"kind":"cv","port":["channel",1],"port":["channel",2]}})",
                    "duplicate field `port`", "", "ok"),
        output_case(R"({"cc":1,"signal":["clock"]})",
                    "invalid length 0, expected struct variant Signal::Clock with 1 element"),
        output_case(R"({"cc":1,"signal":["run",1]})",
                    "invalid length 1, expected 0 elements in sequence"),
        output_case(R"({"cc":1,"signal":{"kind":"midi"}})",
                    "unknown variant `midi`, expected one of `routed`, `clock`, `run`, `reset`",
                    R"("midi")"),
        output_case(R"({"cc":1,"signal":{"kind":"clock"}})", "missing field `ppqn`"),
        output_case(R"({"cc":1,"volts":[0,10,20]})", "trailing characters", "[0,10,2",
                    "invalid length 3, expected fewer elements in array"),
        output_case(R"({"cc":1,"volts":[0]})", "invalid length 1, expected an array of length 2",
                    "[0]"),
        output_case(R"({"cc":1,"volts":[]})", "invalid length 0, expected an array of length 2",
                    R"("volts":[])"),
        output_case(R"({"cc":1,"volts":{}})", "invalid type: map, expected an array of length 2",
                    R"("volts":)"),
        output_case(R"({"cc":1,"quantize":{"root":1}})", "missing field `scale`", R"({"root":1})"),
        output_case(R"({"cc":1,"quantize":[]})",
                    "invalid length 0, expected struct Quantize with 2 elements",
                    R"("quantize":[])"),
        output_case(R"({"cc":1,"quantize":["minor",0,0]})", "trailing characters",
                    R"(["minor",0,0)", "invalid length 3, expected fewer elements in array"),
        output_case(R"({"cc":1,"quantize":"minor"})",
                    "invalid type: string \"minor\", expected struct Quantize", R"("minor")"),
        output_case(R"({"cc":1,"quantize":{"scale":"Major"}})",
                    "unknown variant `Major`, expected " + kScaleList, R"("Major")"),
        // A scale is a name or {"name": null}; the text reader refuses anything else as
        // malformed, the tree reader as a wrong type or value.
        output_case(R"({"cc":1,"quantize":{"scale":1}})", "expected value", R"("scale":1)",
                    "invalid type: integer `1`, expected string or map"),
        output_case(R"({"cc":1,"quantize":{"scale":{}}})", "expected value", R"("scale":{})",
                    "invalid value: map, expected map with a single key"),
        output_case(R"({"cc":1,"quantize":{"scale":{"major":null,"minor":null}}})",
                    "expected value", R"({"major":null)",
                    "invalid value: map, expected map with a single key"),
        output_case(R"({"cc":1,"quantize":{"scale":{"major":{}}}})",
                    "invalid type: map, expected unit", R"({"major":)"),
        output_case(R"({"cc":1,"quantize":{"scale":{"major":null}}})", ""),
    });
}

// Arrays and objects nest at most 127 deep, counted from the top, whether the reader reads,
// skips or buffers them.
TEST(PatchErrors, NestingLimitCountsSkippedAndBufferedValues) {
    const auto nested = [](int levels) {
        return std::string(static_cast<std::size_t>(levels), '[') +
               std::string(static_cast<std::size_t>(levels), ']');
    };
    const std::string tail = R"(,"sources":[],"outputs":[]})";
    // Skipped: the patch object is level 1.
    check({R"({"x":)" + nested(126) + tail, "", ""});
    check({R"({"x":)" + nested(127) + tail, "recursion limit exceeded",
           R"({"x":)" + std::string(127, '[')});
    // Buffered among a route's entries: the route is level 3.
    const std::string head = R"({"from":0,"amount":1,"to":"output","index":0,"x":)";
    check({route(head + nested(124) + "}"), "", ""});
    check({route(head + nested(125) + "}"), "recursion limit exceeded",
           kRoutePrefix + head + std::string(125, '[')});

    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += R"({"a":)";
    EXPECT_EQ(Patch::from_json_text(deep).error(), "recursion limit exceeded at line 1 column 636");
    // A megabyte of brackets reads as a patch in array form whose first source is not a source.
    EXPECT_EQ(Patch::from_json_text(std::string(1 << 20, '[')).error(),
              "invalid type: sequence, expected a boolean at line 1 column 3");
}

}  // namespace
}  // namespace ondrix_engine::settings
