#include "protocol/page.hpp"

#include <array>
#include <charconv>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "json/parse.hpp"
#include "protocol/live_text.hpp"
#include "protocol/presets.hpp"
#include "refusal.hpp"

namespace ondrix_plugin_core::protocol {
namespace {

using nlohmann::json;
// A command's value as compact JSON text, or its error text.
using Outcome = ondrix_engine::json::Result<std::string>;

// Compact, members in key order (the tree keeps them sorted). Text that is not valid UTF-8 is
// written with U+FFFD in its place rather than failing the message.
std::string write(const json& message) {
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The "args" object of an invoke; a missing or non-object "args" has no members.
class Arguments {
  public:
    Arguments(const json& message, std::string_view command) : command_(command) {
        const auto found = message.find("args");
        if (found != message.end() && found->is_object()) members_ = &*found;
    }

    const json* find(std::string_view key) const {
        if (members_ == nullptr) return nullptr;
        const auto found = members_->find(key);
        return found == members_->end() ? nullptr : &*found;
    }

    // The string argument `key`; anything but a JSON string there fails with
    // "<command>: no <key>".
    ondrix_engine::json::Result<std::string> text(std::string_view key) const {
        const json* value = find(key);
        if (value == nullptr || !value->is_string()) {
            std::string error(command_);
            error += ": no ";
            error += key;
            return ondrix_engine::json::Result<std::string>::failure(std::move(error));
        }
        return ondrix_engine::json::Result<std::string>::success(value->get<std::string>());
    }

  private:
    std::string_view command_;
    const json* members_ = nullptr;
};

Outcome value(const json& result) {
    return Outcome::success(write(result));
}
Outcome error(std::string text) {
    return Outcome::failure(std::move(text));
}

template <class T>
Outcome from(const ondrix_engine::json::Result<T>& result) {
    if (!result) return error(result.error());
    if constexpr (std::is_same_v<T, std::monostate>) {
        return value(nullptr);
    } else {
        return value(json(result.value()));
    }
}

using Command = Outcome (*)(Core&, const Arguments&);

Outcome nothing(Core&, const Arguments&) {
    return value(nullptr);
}

Outcome plugin_init(Core& core, const Arguments&) {
    json patch = nullptr;
    if (auto tree = core.patch_json()) patch = std::move(*tree);
    return value({{"patch", std::move(patch)}});
}

// Read into `kept`, the page's own Live, whose trace buffer then serves the next poll.
Outcome live_values(Core& core, Live& kept) {
    core.take_live(kept);
    return Outcome::success(live_text(kept));
}

Outcome restart(Core& core, const Arguments&) {
    core.restart();
    return value(nullptr);
}

Outcome set_patch(Core& core, const Arguments& args) {
    const auto text = args.text("patch");
    if (!text) return error(text.error());
    const auto tree = ondrix_engine::json::parse(text.value());
    if (!tree) return error(tree.error());
    if (!core.set_patch(tree.value())) {
        if (!fits_in_state(tree.value())) return error(std::string(PATCH_TOO_LARGE));
        return error("That isn't a patch Ondrix can read");
    }
    return value(nullptr);
}

Outcome engine_state(Core&, const Arguments&) {
    return value({{"output", nullptr}});
}

Outcome midi_outputs(Core&, const Arguments&) {
    return value(json::array());
}

Outcome list_presets(Core&, const Arguments&) {
    return from(presets_list());
}

Outcome read_preset(Core&, const Arguments& args) {
    const auto name = args.text("name");
    if (!name) return error(name.error());
    return from(preset_read(name.value()));
}

Outcome write_preset(Core&, const Arguments& args) {
    const auto patch = args.text("patch");
    if (!patch) return error(patch.error());
    const auto name = args.text("name");
    if (!name) return error(name.error());
    // Read only to check it: the file keeps the text exactly as the page sent it.
    if (auto refused = patch_refusal(patch.value())) return error(std::move(*refused));
    return from(preset_write(name.value(), patch.value()));
}

Outcome delete_preset(Core&, const Arguments& args) {
    const auto name = args.text("name");
    if (!name) return error(name.error());
    return from(preset_delete(name.value()));
}

Outcome rename_preset(Core&, const Arguments& args) {
    const auto from_name = args.text("from");
    if (!from_name) return error(from_name.error());
    const auto to_name = args.text("to");
    if (!to_name) return error(to_name.error());
    return from(preset_rename(from_name.value(), to_name.value()));
}

struct Entry {
    std::string_view name;
    Command run;
};

// Every command but "live_values", which needs the page's own buffer.
constexpr std::array commands{
    Entry{"zoom", nothing},
    Entry{"plugin_init", plugin_init},
    Entry{"restart", restart},
    Entry{"set_patch", set_patch},
    Entry{"engine_state", engine_state},
    Entry{"midi_outputs", midi_outputs},
    Entry{"midi_choose", nothing},
    Entry{"presets_list", list_presets},
    Entry{"preset_read", read_preset},
    Entry{"preset_write", write_preset},
    Entry{"preset_delete", delete_preset},
    Entry{"preset_rename", rename_preset},
};

// A reply quotes at most this many characters of a command name it does not know.
constexpr std::size_t ECHOED_COMMAND_CHARACTERS = 200;

// The first `characters` characters of valid UTF-8 text, then "…" when anything was left out.
std::string shortened(std::string_view text, std::size_t characters) {
    std::size_t end = 0;
    for (std::size_t count = 0; end < text.size() && count < characters; ++count) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    }
    if (end == text.size()) return std::string(text);
    std::string cut(text.substr(0, end));
    cut += "\u2026";
    return cut;
}

Outcome run(Core& core, std::string_view command, const Arguments& args) {
    for (const Entry& entry : commands) {
        if (entry.name == command) return entry.run(core, args);
    }
    return error("Unknown command " + shortened(command, ECHOED_COMMAND_CHARACTERS));
}

// The text of an invoke's id as the JSON library writes it; the page's ids, integers, without
// its writer.
std::string id_text(const json& id) {
    std::array<char, 24> digits;
    std::to_chars_result written{};
    if (id.is_number_unsigned()) {
        written = std::to_chars(digits.data(), digits.data() + digits.size(),
                                id.get<std::uint64_t>());
    } else if (id.is_number_integer()) {
        written = std::to_chars(digits.data(), digits.data() + digits.size(),
                                id.get<std::int64_t>());
    } else {
        return write(id);
    }
    return std::string(digits.data(), written.ptr);
}

// The reply text, members in key order as the JSON library writes them. A success is written
// around the value's text, in the value's own buffer.
std::string reply(const json& id, Outcome outcome) {
    if (outcome) {
        std::string text = std::move(outcome.value());
        std::string head = R"({"id":)";
        head += id_text(id);
        head += R"(,"ok":true,"type":"reply","value":)";
        text.insert(0, head);
        text += '}';
        return text;
    }
    return R"({"error":)" + write(outcome.error()) + R"(,"id":)" + id_text(id) +
           R"(,"ok":false,"type":"reply"})";
}

}  // namespace

std::array<std::string_view, 3> script_parts(std::string_view message) {
    return {"window.__vtPlugin && window.__vtPlugin.receive(", message, ")"};
}

std::string script(std::string_view message) {
    std::string text;
    for (const std::string_view part : script_parts(message)) text += part;
    return text;
}

std::vector<Action> Page::handle(Core& core, std::string_view message) {
    std::vector<Action> actions;
    // A message past the bound is not read at all, and so goes unanswered like any other text
    // that is not an invoke.
    if (message.size() > MAX_DOCUMENT_BYTES) return actions;
    const auto parsed = ondrix_engine::json::parse(message);
    if (!parsed) return actions;
    const json& invoke = parsed.value();
    if (!invoke.is_object()) return actions;
    const auto type = invoke.find("type");
    if (type == invoke.end() || !type->is_string() ||
        type->get_ref<const std::string&>() != "invoke") {
        return actions;
    }

    std::string command;
    if (const auto cmd = invoke.find("cmd"); cmd != invoke.end() && cmd->is_string()) {
        command = cmd->get<std::string>();
    }
    const Arguments args(invoke, command);

    if (command == "zoom") {
        const json* scale = args.find("scale");
        if (scale != nullptr && scale->is_number()) {
            const double factor = scale->get<double>();
            if (factor >= 0.5 && factor <= 2.0) actions.emplace_back(Zoom{factor});
        }
    } else if (command == "plugin_init") {
        seen_epoch = core.loaded_epoch();
    } else if (command == "live_values") {
        if (const std::uint32_t epoch = core.loaded_epoch(); epoch != seen_epoch) {
            seen_epoch = epoch;
            actions.emplace_back(Eval{write({{"type", "loaded"}})});
        }
    }

    Outcome outcome =
        command == "live_values" ? live_values(core, live_) : run(core, command, args);
    const auto id = invoke.find("id");
    actions.emplace_back(Eval{reply(id != invoke.end() ? *id : json(nullptr), std::move(outcome))});
    return actions;
}

}  // namespace ondrix_plugin_core::protocol
