// The editor page reads patches by its own table of the patch format (page/src/patch/format.json):
// the fields of each record in array-form order, the value a missing field takes, the variants of
// each tagged union. Opening a patch in the editor must not change what it plays, so the table
// is held here to the plug-in's reader.
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "settings/patch.hpp"

namespace vantrel_ondrix_plugin::editor {
namespace {

using nlohmann::json;
using ondrix_engine::settings::Patch;

json page_format() {
    std::ifstream file(ONDRIX_PAGE_PATCH_FORMAT);
    EXPECT_TRUE(file) << ONDRIX_PAGE_PATCH_FORMAT;
    return json::parse(file);
}

// A value for each field the table names, valid where that field stands and unlike its default.
const json& samples() {
    static const json values = R"({
        "sources": [{"shape": {"kind": "sine"}, "rate": {"mode": "free", "hz": 1}}],
        "routes": [{"from": 0, "amount": 1, "to": "output", "index": 0}],
        "outputs": [{"cc": 20}], "tempo": 90,
        "enabled": false, "shape": {"kind": "triangle"}, "rate": {"mode": "sync", "beats": 2},
        "phase": 0.25, "a": 0.75, "b": 0.25, "spread": 0.5, "depth": -1, "offset": 0.125,
        "unipolar": true, "smooth": 0.5, "rough": 0.5, "bits": 4,
        "from": 1, "tap": 2, "amount": 0.5,
        "channel": 3, "cc": 21, "fine": true, "bipolar": false,
        "dest": {"kind": "cv", "port": {"type": "channel", "index": 1}}, "signal": {"kind": "run"},
        "volts": [0, 10], "threshold": 0.25, "gateVolts": 10, "quantize": {"scale": "minor"},
        "scale": "minor", "root": 3,
        "table": [0.25, -1], "motion": "rain", "hz": 2, "beats": 4,
        "port": {"type": "channel", "index": 2}, "index": 2, "header": 1, "output": 3, "ppqn": 24
    })"_json;
    return values;
}

// A whole patch around one record or union value, so that the reader reads it where it stands.
json patch_around(const std::string& kind, const json& value) {
    const json source_rate = {{"mode", "free"}, {"hz", 1}};
    const auto source = [&](json s) { return json{{"sources", {std::move(s)}}, {"outputs", json::array()}}; };
    const auto output = [&](json o) { return json{{"sources", json::array()}, {"outputs", {std::move(o)}}}; };
    if (kind == "patch") return value;
    if (kind == "source") return source(value);
    if (kind == "shape") return source({{"shape", value}, {"rate", source_rate}});
    if (kind == "rate") return source({{"shape", {{"kind", "sine"}}}, {"rate", value}});
    if (kind == "route") {
        json route = value;
        route["to"] = "output";
        route["index"] = 2;
        return {{"sources", json::array()}, {"outputs", json::array()}, {"routes", {route}}};
    }
    if (kind == "output") return output(value);
    if (kind == "quantize") return output({{"cc", 16}, {"quantize", value}});
    if (kind == "dest" || kind == "signal") return output({{"cc", 16}, {kind, value}});
    if (kind == "port") return output({{"cc", 16}, {"dest", {{"kind", "cv"}, {"port", value}}}});
    ADD_FAILURE() << "no place for a " << kind;
    return nullptr;
}

// The patch read around `value`, or its reader's message.
std::string read(const std::string& kind, const json& value, Patch& patch) {
    auto result = Patch::from_json_tree(patch_around(kind, value));
    if (!result) return result.error();
    patch = std::move(result.value());
    return "";
}

Patch read_ok(const std::string& kind, const json& value) {
    Patch patch;
    const std::string error = read(kind, value, patch);
    EXPECT_EQ(error, "") << kind << " " << value.dump();
    return patch;
}

bool refused(const std::string& kind, const json& value) {
    Patch patch;
    return !read(kind, value, patch).empty();
}

// Checks `fields` of one record or variant (written as `base` plus fields) against `defaults`: a
// field with a default reads as that default when left out and is read when given; a field
// without one is required.
void check_fields(const std::string& kind, const json& base, const json& fields,
                  const json& defaults) {
    json required = base;
    for (const auto& field : fields) {
        if (!defaults.contains(field)) required[field.get<std::string>()] = samples().at(field);
    }
    const Patch plain = read_ok(kind, required);
    for (const auto& field : fields) {
        const std::string name = field;
        if (defaults.contains(name)) {
            json with_default = required;
            with_default[name] = defaults[name];
            EXPECT_EQ(read_ok(kind, with_default), plain) << kind << "." << name << " default";
            json with_sample = required;
            with_sample[name] = samples().at(name);
            EXPECT_NE(read_ok(kind, with_sample), plain) << kind << "." << name << " is not read";
        } else {
            json without = required;
            without.erase(name);
            EXPECT_TRUE(refused(kind, without)) << kind << "." << name << " is not required";
        }
    }
}

TEST(PagePatchFormat, RecordsHaveTheReadersDefaultsAndArrayOrder) {
    const json format = page_format();
    for (const auto& [kind, record] : format.at("records").items()) {
        SCOPED_TRACE(kind);
        check_fields(kind, json::object(), record.at("fields"), record.at("defaults"));
        if (!record.at("array").get<bool>()) continue;
        json object = json::object();
        json array = json::array();
        for (const auto& field : record.at("fields")) {
            object[field.get<std::string>()] = samples().at(field);
            array.push_back(samples().at(field));
        }
        EXPECT_EQ(read_ok(kind, array), read_ok(kind, object)) << "array order of " << kind;
    }
}

TEST(PagePatchFormat, UnionsHaveTheReadersVariantsDefaultsAndArrayOrder) {
    const json format = page_format();
    for (const auto& [kind, union_format] : format.at("unions").items()) {
        const std::string tag = union_format.at("tag");
        for (const auto& [variant, fields] : union_format.at("variants").items()) {
            SCOPED_TRACE(kind + " " + variant);
            check_fields(kind, {{tag, variant}}, fields, union_format.at("defaults"));
            json object = {{tag, variant}};
            json array = {variant};
            for (const auto& field : fields) {
                object[field.get<std::string>()] = samples().at(field);
                array.push_back(samples().at(field));
            }
            EXPECT_EQ(read_ok(kind, array), read_ok(kind, object));
        }
        // The reader's message for a variant it does not know lists every one it does.
        Patch unused;
        const std::string error = read(kind, {{tag, "?"}}, unused);
        const auto listed = error.find(", expected");
        ASSERT_NE(listed, std::string::npos) << error;
        std::vector<std::string> known;
        for (auto open = error.find('`', listed); open != std::string::npos;
             open = error.find('`', error.find('`', open + 1) + 1)) {
            known.emplace_back(error.substr(open + 1, error.find('`', open + 1) - open - 1));
        }
        std::vector<std::string> in_table;
        for (const auto& [variant, fields] : union_format.at("variants").items()) {
            in_table.push_back(variant);
        }
        std::sort(known.begin(), known.end());
        EXPECT_EQ(in_table, known) << kind;
    }
}

}  // namespace
}  // namespace vantrel_ondrix_plugin::editor
