#include "protocol/page.hpp"

#include <array>
#include <cmath>
#include <span>
#include <type_traits>
#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "json/parse.hpp"
#include "protocol/presets.hpp"
#include "refusal.hpp"

namespace ondrix_plugin_core::protocol {
namespace {

using nlohmann::json;
using Outcome = ondrix_engine::json::Result<json>;

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

Outcome value(json result) {
    return Outcome::success(std::move(result));
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
        return value(result.value());
    }
}

// Live values as JSON numbers; a value that is not finite is written as null.
json numbers(std::span<const float> values) {
    json list = json::array();
    for (const float v : values) {
        if (std::isfinite(v)) {
            list.push_back(static_cast<double>(v));
        } else {
            list.push_back(nullptr);
        }
    }
    return list;
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

Outcome live_values(Core& core, const Arguments&) {
    const Live live = core.take_live();
    return value({{"outputs", numbers(live.outputs)},
                  {"sources", numbers(live.sources)},
                  {"trace", numbers(live.trace)}});
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

constexpr std::array commands{
    Entry{"zoom", nothing},
    Entry{"plugin_init", plugin_init},
    Entry{"live_values", live_values},
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

json reply(json id, const Outcome& outcome) {
    if (outcome) {
        return {{"id", std::move(id)}, {"ok", true}, {"type", "reply"}, {"value", outcome.value()}};
    }
    return {{"error", outcome.error()}, {"id", std::move(id)}, {"ok", false}, {"type", "reply"}};
}

}  // namespace

std::string script(std::string_view message) {
    std::string text = "window.__vtPlugin && window.__vtPlugin.receive(";
    text += message;
    text += ')';
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

    const Outcome outcome = run(core, command, args);
    json id = nullptr;
    if (const auto found = invoke.find("id"); found != invoke.end()) id = *found;
    actions.emplace_back(Eval{write(reply(std::move(id), outcome))});
    return actions;
}

}  // namespace ondrix_plugin_core::protocol
