#include "state_check.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "document_limit.hpp"
#include "host_files.hpp"
#include "json/messages.hpp"
#include "json/notes.hpp"
#include "json/parse.hpp"
#include "settings/patch.hpp"
#include "settings/patch_warnings.hpp"

namespace ondrix_tools {
namespace {

namespace json = ondrix_engine::json;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Scans values of a text already known to be valid JSON, to find where one member stands.
class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::size_t at() const { return at_; }
    char peek() {
        while (at_ < text_.size() && is_space(text_[at_])) ++at_;
        return at_ < text_.size() ? text_[at_] : '\0';
    }
    void take() { ++at_; }

    // The string that starts here, decoded as the plug-in's parse decodes it.
    std::string string() {
        peek();
        const std::size_t start = at_;
        skip_string();
        const auto key = json::parse(text_.substr(start, at_ - start));
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

// Where the value of the top-level member "patch" stands (the last one, which the parse keeps).
std::pair<std::size_t, std::size_t> patch_member(std::string_view object) {
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
    return found;
}

// Blanks in `text` (white space in its place, line breaks kept) each object entry of the value
// that starts at `scan` whose key its object gives again later, as the parse keeps only the last
// one, and notes each such key where it ends. `scan` reads a copy of `text` as it was.
void blank_repeated_keys(Scanner& scan, std::string& text, json::Notes& notes) {
    const char first = scan.peek();
    if (first != '{' && first != '[') return scan.skip_value();
    scan.take();
    if (first == '[') {
        while (scan.peek() != ']') {
            blank_repeated_keys(scan, text, notes);
            if (scan.peek() == ',') scan.take();
        }
        return scan.take();
    }
    struct Entry {
        std::string key;
        std::size_t start;
        std::size_t key_end;
        std::size_t end;  // past its comma, if any
    };
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> last;
    while (scan.peek() != '}') {
        Entry entry{{}, scan.at(), 0, 0};
        entry.key = scan.string();
        entry.key_end = scan.at();
        scan.peek();
        scan.take();  // :
        blank_repeated_keys(scan, text, notes);
        if (scan.peek() == ',') scan.take();
        entry.end = scan.at();
        last[entry.key] = entries.size();
        entries.push_back(std::move(entry));
    }
    scan.take();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (last[entry.key] == i) continue;
        for (std::size_t at = entry.start; at < entry.end; ++at) {
            if (text[at] != '\n') text[at] = ' ';
        }
        // What was said of the keys inside is said of nothing that is read.
        std::erase_if(notes.remarks, [&](const json::Notes::Remark& remark) {
            return remark.at > entry.start && remark.at <= entry.end;
        });
        notes.remarks.push_back(
            {"the key " + json::messages::quoted(entry.key) +
                 " is given again later in its object, and only the last is read",
             entry.key_end});
    }
}

}  // namespace

StateCheck check_state_file(std::string_view file) {
    StateCheck check;
    if (file.size() > ondrix_plugin_core::MAX_DOCUMENT_BYTES) {
        check.error = fmt::format("it is larger than {} MiB, the most the plug-in reads as a state",
                                  ondrix_plugin_core::MAX_DOCUMENT_BYTES >> 20);
        return check;
    }
    const auto tree = json::parse(file);
    std::string text(file);
    if (!tree) {
        // A bare patch may open with a byte-order mark, which the host leaves out.
        if (!file.starts_with(kByteOrderMark)) {
            check.error = tree.error();
            return check;
        }
        text.replace(0, kByteOrderMark.size(), kByteOrderMark.size(), ' ');
        const auto after_mark = json::parse(text);
        if (!after_mark ||
            (after_mark.value().is_object() && after_mark.value().contains("patch"))) {
            // A state document is passed on as it is, mark included.
            check.error = after_mark ? tree.error() : after_mark.error();
            return check;
        }
    } else if (tree.value().is_object() && tree.value().contains("patch")) {
        if (tree.value()["patch"].is_null()) return check;
        // Everything but the patch becomes white space, line breaks kept, so that the reader's
        // positions are those of the file.
        const auto [start, end] = patch_member(file);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if ((i < start || i >= end) && text[i] != '\n') text[i] = ' ';
        }
    }
    // The plug-in reads the parsed tree, where a key given twice holds its last value; the text
    // reader, which can say where things are, would refuse it. It reads what the tree holds.
    json::Notes notes;
    const std::string as_written = text;
    Scanner scan(as_written);
    blank_repeated_keys(scan, text, notes);
    const auto patch = ondrix_engine::settings::Patch::from_json_text(text, notes);
    if (!patch) check.error = patch.error();
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
