#pragma once

#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "json/notes.hpp"
#include "json/result.hpp"
#include "settings/output.hpp"
#include "settings/route.hpp"
#include "settings/source.hpp"

namespace ondrix_engine::settings {

// The whole modulation set-up: sources, routes, outputs and the fallback tempo (beats per
// minute). Lists may hold any number of entries; the engine pads and prunes them.
// Thread: read and built on the main thread, handed to the audio thread by value. Owner: whoever
// holds the value (it owns its lists).
struct Patch {
    std::vector<Source> sources;
    std::vector<Route> routes;
    std::vector<Output> outputs;
    float tempo = 120.0f;

    // Eight sources (two enabled), one route from each source to the output of the same number,
    // and 64 MIDI outputs on cc 16 to 79 (two enabled).
    static Patch defaults();

    // Reads patch JSON text; errors end in " at line L column C".
    static json::Result<Patch> from_json_text(std::string_view text);
    // The same read, which also tells `notes` what in the text plays other than it reads (up to
    // the error, when there is one): the keys it ignores, and an output's channel above 15,
    // controller above 127 or controller among the channel mode messages 120-127.
    // warnings::of_notes (settings/patch_warnings.hpp) words them.
    static json::Result<Patch> from_json_text(std::string_view text, json::Notes& notes);
    // Reads an already parsed tree by the same rules; errors carry no position.
    static json::Result<Patch> from_json_tree(const nlohmann::json& tree);

    // Every name the readers know, sorted: the keys of every record, the tag keys, the tag
    // names (aliases included) and the names of the plain enumerations. What the format's
    // documentation must cover.
    static std::vector<std::string_view> json_names();

    friend bool operator==(const Patch&, const Patch&) = default;
};

}  // namespace ondrix_engine::settings
