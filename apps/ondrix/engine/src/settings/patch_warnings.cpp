#include "settings/patch_warnings.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "json/messages.hpp"

namespace ondrix_engine::settings::warnings {
namespace {

// Controllers 120-127, in order.
constexpr std::array<std::string_view, 8> kChannelModeMessages = {
    "All Sound Off", "Reset All Controllers", "Local Control", "All Notes Off",
    "Omni Mode Off", "Omni Mode On",          "Mono Mode On",  "Poly Mode On",
};

}  // namespace

std::optional<std::string> about_channel(std::uint8_t channel) {
    if (channel <= 15) return std::nullopt;
    const int sent = channel & 15;
    return "channel " + std::to_string(channel) + " is above 15 and is sent on channel " +
           std::to_string(sent) + " (MIDI channel " + std::to_string(sent + 1) + ")";
}

std::vector<std::string> about_controller(std::uint8_t cc) {
    std::vector<std::string> said;
    const int sent = cc & 127;
    if (cc > 127) {
        said.push_back("controller " + std::to_string(cc) +
                       " is above 127 and is sent as controller " + std::to_string(sent));
    }
    if (sent >= 120) {
        said.push_back("controller " + std::to_string(sent) + " is the channel mode message " +
                       std::string(kChannelModeMessages[static_cast<std::size_t>(sent - 120)]) +
                       ", not a control change");
    }
    return said;
}

std::string about_repeated_key(std::string_view key) {
    return "the key " + json::messages::quoted(key) +
           " is given again later in its object, and only the last is read";
}

std::vector<std::string> of_notes(std::string_view text, const json::Notes& notes) {
    std::vector<std::pair<std::size_t, std::string>> placed;
    for (const auto& ignored : notes.ignored_keys) {
        if (ignored.key == kNoteKey) continue;
        placed.emplace_back(ignored.at,
                            "the reader ignores the key " + json::messages::quoted(ignored.key));
    }
    for (const auto& remark : notes.remarks) placed.emplace_back(remark.at, remark.message);
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> lines;
    lines.reserve(placed.size());
    for (auto& [at, message] : placed) {
        lines.push_back(std::move(message) + json::messages::position(text, at));
    }
    return lines;
}

}  // namespace ondrix_engine::settings::warnings
