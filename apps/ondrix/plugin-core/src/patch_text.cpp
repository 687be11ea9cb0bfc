#include "patch_text.hpp"

#include <cstddef>
#include <iterator>
#include <unordered_map>
#include <utility>
#include <vector>

#include "json/parse.hpp"
#include "settings/patch_warnings.hpp"

namespace ondrix_plugin_core {
namespace {

namespace json = ondrix_engine::json;

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Walks the values of a text already known to be valid JSON.
class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::size_t at() const { return at_; }
    char peek() {
        while (at_ < text_.size() && is_space(text_[at_])) ++at_;
        return at_ < text_.size() ? text_[at_] : '\0';
    }
    void take() { ++at_; }

    // The string that starts here, decoded as the parse decodes it.
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

// Turns text[from, to) into spaces, line breaks kept.
void blank(std::string& text, std::size_t from, std::size_t to) {
    for (std::size_t at = from; at < to; ++at) {
        if (text[at] != '\n') text[at] = ' ';
    }
}

// Blanks in `text` each object entry of the value that starts at `scan` whose key its object
// gives again later, and adds a remark for each to `remarks`. `scan` reads the text as it was.
void blank_repeated_keys(Scanner& scan, std::string& text,
                         std::vector<json::Notes::Remark>& remarks) {
    const char first = scan.peek();
    if (first != '{' && first != '[') return scan.skip_value();
    scan.take();
    if (first == '[') {
        while (scan.peek() != ']') {
            blank_repeated_keys(scan, text, remarks);
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
        blank_repeated_keys(scan, text, remarks);
        if (scan.peek() == ',') scan.take();
        entry.end = scan.at();
        last[entry.key] = entries.size();
        entries.push_back(std::move(entry));
    }
    scan.take();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (last[entry.key] == i) continue;
        blank(text, entry.start, entry.end);
        // What was said of the keys inside is said of nothing that is read.
        std::erase_if(remarks, [&](const json::Notes::Remark& remark) {
            return remark.at > entry.start && remark.at <= entry.end;
        });
        remarks.push_back(
            {ondrix_engine::settings::warnings::about_repeated_key(entry.key), entry.key_end});
    }
}

}  // namespace

std::string only_the_patch(std::string_view document) {
    Scanner scan(document);
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
    std::string text(document);
    blank(text, 0, found.first);
    blank(text, found.second, text.size());
    return text;
}

std::string as_the_tree_holds(std::string_view text, json::Notes& notes) {
    std::string blanked(text);
    std::vector<json::Notes::Remark> remarks;
    Scanner scan(text);
    blank_repeated_keys(scan, blanked, remarks);
    notes.remarks.insert(notes.remarks.end(), std::make_move_iterator(remarks.begin()),
                         std::make_move_iterator(remarks.end()));
    return blanked;
}

}  // namespace ondrix_plugin_core
