#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json/parse.hpp"
#include "settings/patch.hpp"

namespace ondrix_engine::settings {
namespace {

// Reads through both readers, which must agree.
Patch read(const std::string& text) {
    const auto from_text = Patch::from_json_text(text);
    EXPECT_TRUE(from_text.ok()) << text << ": " << from_text.error();
    const auto tree = json::parse(text);
    EXPECT_TRUE(tree.ok()) << tree.error();
    const auto from_tree = Patch::from_json_tree(tree.value());
    EXPECT_TRUE(from_tree.ok()) << from_tree.error();
    if (!from_text.ok() || !from_tree.ok()) return Patch{};
    EXPECT_EQ(from_text.value(), from_tree.value()) << text;
    return from_text.value();
}

Source read_source(const std::string& snippet) {
    const Patch patch = read(R"({"sources":[)" + snippet + R"(],"outputs":[]})");
    return patch.sources.empty() ? Source{} : patch.sources[0];
}
Output read_output(const std::string& snippet) {
    const Patch patch = read(R"({"sources":[],"outputs":[)" + snippet + "]}");
    return patch.outputs.empty() ? Output{} : patch.outputs[0];
}
Route read_route(const std::string& snippet) {
    const Patch patch = read(R"({"sources":[],"outputs":[],"routes":[)" + snippet + "]}");
    return patch.routes.empty() ? Route{} : patch.routes[0];
}

TEST(PatchValues, EmptyListsAndDefaultTempo) {
    const Patch patch = read(R"({"sources":[],"outputs":[]})");
    EXPECT_TRUE(patch.sources.empty());
    EXPECT_TRUE(patch.routes.empty());
    EXPECT_TRUE(patch.outputs.empty());
    EXPECT_EQ(patch.tempo, 120.0f);
    EXPECT_EQ(read(R"([[],[],[]])"), patch);
    EXPECT_EQ(read(R"({"sources":[],"outputs":[],"tempo":90})").tempo, 90.0f);
}

TEST(PatchValues, SourceDefaultsForMissingKeys) {
    const Source source = read_source(R"({"shape":{"kind":"sine"},"rate":{"mode":"free","hz":2}})");
    Source expected;
    expected.shape = Shape::Sine{};
    expected.rate = Rate::free(2.0f);
    EXPECT_EQ(source, expected);
    EXPECT_TRUE(source.enabled);
    EXPECT_EQ(source.a, 0.5f);
    EXPECT_EQ(source.b, 0.0f);
    EXPECT_EQ(source.spread, 1.0f);
    EXPECT_EQ(source.depth, 1.0f);
    EXPECT_EQ(source.bits, 0);

    // The reader's a and b do not depend on the shape, unlike Source::lfo's.
    const Source triangle =
        read_source(R"({"shape":{"kind":"triangle"},"rate":{"mode":"sync","beats":4}})");
    EXPECT_EQ(triangle.a, 0.5f);
    EXPECT_EQ(triangle.b, 0.0f);
    EXPECT_EQ(triangle.rate, Rate::sync(4.0f));

    // The array form leaves out trailing fields with defaults.
    EXPECT_EQ(read_source(R"([false,["sine"],["free",2],0.25])").phase, 0.25f);
    const Source full = read_source(
        R"([false,{"kind":"cvIn","channel":3},{"mode":"free","hz":1.5},0.1,0.2,0.3,0.4,0.5,0.6,true,0.7,0.8,9])");
    EXPECT_FALSE(full.enabled);
    EXPECT_EQ(full.shape, Shape(Shape::CvIn{3}));
    EXPECT_EQ(full.rate, Rate::free(1.5f));
    EXPECT_EQ(full.b, 0.3f);
    EXPECT_TRUE(full.unipolar);
    EXPECT_EQ(full.rough, 0.8f);
    EXPECT_EQ(full.bits, 9);
}

TEST(PatchValues, Shapes) {
    struct ShapeCase {
        std::string json;
        Shape expected;
    };
    const std::vector<ShapeCase> cases = {
        {R"({"kind":"saw"})", Shape::Saw{}},
        {R"({"kind":"sawDown"})", Shape::Saw{}},
        {R"({"kind":"sawUp"})", Shape::Saw{}},
        {R"(["sawUp"])", Shape::Saw{}},
        {R"({"kind":"field"})", Shape::Field{Motion::Drift}},
        {R"({"kind":"field","motion":"spin"})", Shape::Field{Motion::Spin}},
        {R"({"motion":{"cells":null},"kind":"field"})", Shape::Field{Motion::Cells}},
        {R"({"kind":"field","motion":{"rain":{}}})", Shape::Field{Motion::Rain}},
        {R"(["field","wave"])", Shape::Field{Motion::Wave}},
        {R"({"kind":"cvIn"})", Shape::CvIn{0}},
        {R"(["cvIn",7])", Shape::CvIn{7}},
        {R"({"kind":"drawn","table":[]})", Shape::Drawn{}},
        {R"({"kind":"drawn","table":[1,-0.5,2e-1]})", Shape::Drawn{{1.0f, -0.5f, 0.2f}}},
        {R"(["drawn",[0.25]])", Shape::Drawn{{0.25f}}},
        {R"({"kind":"sine","table":[1],"motion":"x"})", Shape::Sine{}},
        {R"({"kind":"wander"})", Shape::Wander{}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.json);
        const Source source =
            read_source(R"({"rate":{"mode":"free","hz":1},"shape":)" + c.json + "}");
        EXPECT_EQ(source.shape, c.expected);
    }
}

TEST(PatchValues, Numbers) {
    struct NumberCase {
        std::string json;
        float expected;
    };
    const std::vector<NumberCase> cases = {
        {"2", 2.0f},
        {"-3", -3.0f},
        {"0.1", 0.1f},
        {"1e3", 1000.0f},
        {"1E-2", 0.01f},
        {"18446744073709551616", 18446744073709551616.0f},
        {"1e39", std::numeric_limits<float>::infinity()},
        {"-1e39", -std::numeric_limits<float>::infinity()},
        {"1e-50", 0.0f},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(read(R"({"sources":[],"outputs":[],"tempo":)" + c.json + "}").tempo, c.expected);
    }
    EXPECT_TRUE(std::signbit(read(R"({"sources":[],"outputs":[],"tempo":-0})").tempo));
}

TEST(PatchValues, RoutesTakeTheirEntriesInAnyOrder) {
    const Route expected{0, 0, 1.0f, Target::Output{3}};
    for (const std::string json : {
             R"({"from":0,"to":"output","index":3,"amount":1})",
             R"({"to":"output","from":0,"index":3,"amount":1})",
             R"({"amount":1,"index":3,"from":0,"tap":0,"to":"output"})",
             R"({"from":0,"index":3,"tap":0,"to":1,"amount":1,"param":"tempo","id":7})",
         }) {
        SCOPED_TRACE(json);
        EXPECT_EQ(read_route(json), expected);
    }
    const Route to_source =
        read_route(R"({"from":20,"tap":9,"to":0,"index":200,"param":{"depth":{}},"amount":-3.5})");
    EXPECT_EQ(to_source, (Route{20, 9, -3.5f, Target::Source{200, Param::Depth}}));
    EXPECT_EQ(read_route(R"({"from":1,"to":"source","index":2,"param":"rough","amount":2})"),
              (Route{1, 0, 2.0f, Target::Source{2, Param::Rough}}));
}

TEST(PatchValues, Outputs) {
    const Output defaults = read_output(R"({"cc":16})");
    Output expected;
    expected.cc = 16;
    EXPECT_EQ(defaults, expected);
    EXPECT_TRUE(defaults.enabled);
    EXPECT_TRUE(defaults.bipolar);
    EXPECT_EQ(defaults.dest, Dest(Dest::Midi{}));
    EXPECT_EQ(defaults.signal, Signal(Signal::Routed{}));
    EXPECT_EQ(defaults.volts, (std::array<float, 2>{-5.0f, 5.0f}));
    EXPECT_EQ(defaults.threshold, 0.5f);
    EXPECT_EQ(defaults.gate_volts, 5.0f);
    EXPECT_FALSE(defaults.quantize.has_value());

    const Output short_array = read_output(R"([false,3,64,true])");
    EXPECT_FALSE(short_array.enabled);
    EXPECT_EQ(short_array.channel, 3);
    EXPECT_EQ(short_array.cc, 64);
    EXPECT_TRUE(short_array.fine);
    EXPECT_TRUE(short_array.bipolar);

    // As the editor page writes it.
    const Output page = read_output(
        R"({"enabled": true, "channel": 0, "cc": 16, "fine": false, "bipolar": true, "offset": 0, "dest": {"kind": "midi"}, "signal": {"kind": "routed"}, "volts": [-5, 5], "threshold": 0.5, "gateVolts": 5, "quantize": null})");
    EXPECT_EQ(page, expected);

    EXPECT_EQ(read_output(R"({"cc":1,"volts":[10,0]})").volts, (std::array<float, 2>{10.0f, 0.0f}));
    EXPECT_EQ(read_output(R"({"cc":1,"channel":200,"signal":{"kind":"clock","ppqn":-3}})").signal,
              Signal(Signal::Clock{-3.0f}));
    EXPECT_EQ(read_output(R"({"cc":1,"signal":["clock",24]})").signal,
              read_output(R"({"cc":1,"signal":{"kind":"clock","ppqn":24}})").signal);
    EXPECT_EQ(read_output(R"({"cc":1,"signal":["reset"]})").signal, Signal(Signal::Reset{}));
    EXPECT_EQ(read_output(R"({"cc":1,"dest":{"kind":"midi","port":5}})").dest, Dest(Dest::Midi{}));
    EXPECT_EQ(
        read_output(R"({"cc":1,"dest":{"kind":"cv","port":{"type":1,"header":0,"output":2}}})")
            .dest,
        Dest(Dest::Cv{Port::Expander{0, 2}}));
    EXPECT_EQ(read_output(R"({"cc":1,"dest":["gate",["channel",2]]})").dest,
              Dest(Dest::Gate{Port::Channel{2}}));
    EXPECT_EQ(read_output(R"({"cc":1,"dest":{"port":{"index":4,"type":0},"kind":"gate"}})").dest,
              Dest(Dest::Gate{Port::Channel{4}}));

    EXPECT_EQ(read_output(R"({"cc":1,"quantize":["blues"]})").quantize,
              (Quantize{Scale::Blues, 0}));
    EXPECT_EQ(read_output(R"({"cc":1,"quantize":{"scale":{"major":null},"root":4}})").quantize,
              (Quantize{Scale::Major, 4}));
    EXPECT_EQ(read_output(R"({"cc":1,"quantize":["wholeTone",11]})").quantize,
              (Quantize{Scale::WholeTone, 11}));
    EXPECT_EQ(read_output(R"({"cc":1,"name":"Filter","color":3})"), read_output(R"({"cc":1})"));
}

}  // namespace
}  // namespace ondrix_engine::settings
