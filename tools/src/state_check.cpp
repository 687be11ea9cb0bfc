#include "state_check.hpp"

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "document_limit.hpp"
#include "host_files.hpp"
#include "json/notes.hpp"
#include "json/parse.hpp"
#include "refusal.hpp"
#include "settings/patch_warnings.hpp"
#include "state_document.hpp"

namespace ondrix_tools {
namespace {

namespace core = ondrix_plugin_core;
namespace json = ondrix_engine::json;

// Why the plug-in refuses `file`, read as `text` (the same bytes but for a byte-order mark turned
// into spaces), with the positions of the file; notes as core::state_refusal's.
std::optional<std::string> refusal(std::string_view file, std::string_view text,
                                   json::Notes& notes) {
    if (file.size() > core::MAX_DOCUMENT_BYTES) return std::string(core::STATE_TOO_LARGE);
    const auto tree = json::parse(file);
    if (tree && is_state_document(tree.value())) return core::state_refusal(file, notes);
    if (!tree) {
        // A bare patch may open with a byte-order mark, which the host leaves out.
        if (!file.starts_with(kByteOrderMark)) return tree.error();
        const auto after_mark = json::parse(text);
        if (!after_mark) return after_mark.error();
        // A state document is passed on as it is, mark included.
        if (is_state_document(after_mark.value())) return tree.error();
    }
    // A bare patch, which the host wraps in a state document: read here where it stands in the
    // file, not in the document.
    if (auto refused = core::patch_tree_refusal(text, notes)) return refused;
    if (state_document_from_file(file).size() > core::MAX_DOCUMENT_BYTES) {
        return std::string(core::PATCH_TOO_LARGE);
    }
    return std::nullopt;
}

}  // namespace

StateCheck check_state_file(std::string_view file) {
    std::string text(file);
    if (text.starts_with(kByteOrderMark)) {
        text.replace(0, kByteOrderMark.size(), kByteOrderMark.size(), ' ');
    }
    json::Notes notes;
    StateCheck check;
    check.error = refusal(file, text, notes).value_or(std::string());
    check.warnings = ondrix_engine::settings::warnings::of_notes(text, notes);
    return check;
}

int list_state_check(const std::string& path, std::ostream& out) {
    std::string error;
    const std::optional<std::string> file = read_state_file(path, error);
    const StateCheck check = file ? check_state_file(*file) : StateCheck{error, {}};
    for (const std::string& warning : check.warnings)
        out << path << ": warning: " << warning << '\n';
    if (!check.error.empty()) out << path << ": error: " << check.error << '\n';
    out.flush();
    if (!check.error.empty()) return 2;
    return check.warnings.empty() ? 0 : 1;
}

}  // namespace ondrix_tools
