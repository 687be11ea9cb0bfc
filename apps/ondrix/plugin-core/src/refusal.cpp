#include "refusal.hpp"

#include <cstddef>
#include <utility>

#include <nlohmann/json.hpp>

#include "core.hpp"
#include "document_limit.hpp"
#include "json/parse.hpp"
#include "settings/patch.hpp"

namespace ondrix_plugin_core {
namespace {

using ondrix_engine::settings::Patch;

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Walks the values of a text already known to be valid JSON, to find where one member stands.
class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::size_t at() const { return at_; }
    char peek() {
        while (at_ < text_.size() && is_space(text_[at_])) ++at_;
        return at_ < text_.size() ? text_[at_] : '\0';
    }
    void take() { ++at_; }

    // The string that starts here, decoded.
    std::string string() {
        peek();
        const std::size_t start = at_;
        skip_string();
        const auto key = ondrix_engine::json::parse(text_.substr(start, at_ - start));
        return key && key.value().is_string() ? key.value().get<std::string>() : std::string();
    }

    void skip_value() {
        const char first = peek();
        if (first == '"') return skip_string();
        if (first != '{' && first != '[') {
            while (at_ < text_.size() && !is_space(text_[at_]) && text_[at_] != ',' &&
                   text_[at_] != '}' && text_[at_] != ']') {
                ++at_;
            }
            return;
        }
        std::size_t depth = 0;
        do {
            const char c = text_[at_];
            if (c == '"') {
                skip_string();
                continue;
            }
            if (c == '{' || c == '[') ++depth;
            if (c == '}' || c == ']') --depth;
            ++at_;
        } while (depth > 0);
    }

  private:
    void skip_string() {
        ++at_;  // the opening quote
        while (text_[at_] != '"') at_ += text_[at_] == '\\' ? 2 : 1;
        ++at_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// The document with everything but the value of its top-level member "patch" (the last one,
// which the parser keeps) turned into spaces, line breaks kept: read alone, the patch then has
// the positions it has in the document.
std::string only_the_patch(std::string_view object) {
    Scanner scan(object);
    std::pair<std::size_t, std::size_t> found{0, 0};
    scan.peek();
    scan.take();  // {
    while (scan.peek() != '}') {
        const std::string key = scan.string();
        scan.peek();
        scan.take();  // :
        scan.peek();
        const std::size_t start = scan.at();
        scan.skip_value();
        if (key == "patch") found = {start, scan.at()};
        if (scan.peek() == ',') scan.take();
    }
    std::string text(object);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((i < found.first || i >= found.second) && text[i] != '\n') text[i] = ' ';
    }
    return text;
}

}  // namespace

std::optional<std::string> patch_refusal(std::string_view text) {
    const auto read = Patch::from_json_text(text);
    if (!read) return read.error();
    const auto tree = ondrix_engine::json::parse(text);
    if (!tree) return tree.error();
    if (!fits_in_state(tree.value())) return std::string(PATCH_TOO_LARGE);
    return std::nullopt;
}

std::optional<std::string> state_refusal(std::string_view document) {
    if (document.size() > MAX_DOCUMENT_BYTES) return std::string(STATE_TOO_LARGE);
    const auto tree = ondrix_engine::json::parse(document);
    if (!tree) return tree.error();
    const nlohmann::json& state = tree.value();
    if (!state.is_object()) return std::nullopt;
    const auto patch = state.find("patch");
    if (patch == state.end() || patch->is_null()) return std::nullopt;
    const auto read = Patch::from_json_tree(*patch);
    if (read) {
        if (fits_in_state(*patch)) return std::nullopt;
        return std::string(PATCH_TOO_LARGE);
    }
    // The text reader gives the position. It reads every value as written, where the tree keeps
    // the last of a key given twice, so it may find nothing wrong; the tree reader's message
    // stands then.
    const auto located = Patch::from_json_text(only_the_patch(document));
    return located ? read.error() : located.error();
}

}  // namespace ondrix_plugin_core
