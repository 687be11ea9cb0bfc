#include "editor/helper/messages.hpp"

#include <bit>

namespace vantrel_ondrix_plugin::editor::helper {
namespace {

// Fields are written in declaration order: integers little-endian, doubles as their bits,
// texts as a 32-bit length and the bytes, lists as a 32-bit count and the items.
class Writer {
  public:
    explicit Writer(std::uint8_t kind) { out_.push_back(static_cast<char>(kind)); }

    void put(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
    void put(bool value) { put(value ? 1u : 0u, 1); }
    void put(double value) { put(std::bit_cast<std::uint64_t>(value), 8); }
    void put(std::string_view text) {
        put(text.size(), 4);
        out_.append(text);
    }
    void put(const Bounds& rect) {
        put(rect.x);
        put(rect.y);
        put(rect.width);
        put(rect.height);
    }

    std::string take() { return std::move(out_); }

  private:
    std::string out_;
};

// Reads what Writer wrote; any read past the end makes the whole frame bad.
class Reader {
  public:
    explicit Reader(std::string_view in) : in_(in) {}

    std::uint64_t get(int bytes) {
        if (in_.size() < static_cast<std::size_t>(bytes)) {
            bad_ = true;
            in_ = {};
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= std::uint64_t{static_cast<unsigned char>(in_[i])} << (8 * i);
        }
        in_.remove_prefix(bytes);
        return value;
    }
    bool get_bool() { return get(1) != 0; }
    double get_double() { return std::bit_cast<double>(get(8)); }
    std::string get_text() {
        const std::size_t length = get(4);
        if (in_.size() < length) {
            bad_ = true;
            in_ = {};
            return {};
        }
        std::string text(in_.substr(0, length));
        in_.remove_prefix(length);
        return text;
    }
    Bounds get_bounds() {
        Bounds rect;
        rect.x = get_double();
        rect.y = get_double();
        rect.width = get_double();
        rect.height = get_double();
        return rect;
    }
    // A list count, refused when it could not fit in what is left (each item takes a byte).
    std::size_t get_count() {
        const std::size_t count = get(4);
        if (count > in_.size()) {
            bad_ = true;
            in_ = {};
            return 0;
        }
        return count;
    }
    // True when everything was read and nothing is left over.
    bool done() const { return !bad_ && in_.empty(); }

  private:
    std::string_view in_;
    bool bad_ = false;
};

void write_fields(Writer& w, const Open& m) {
    w.put(m.parent, 8);
    w.put(m.bounds);
    w.put(m.scheme);
    w.put(m.scripts.size(), 4);
    for (const Script& script : m.scripts) {
        w.put(script.source);
        w.put(script.main_frame_only);
    }
    w.put(m.start_url);
    w.put(m.handler);
}
void write_fields(Writer& w, const Evaluate& m) { w.put(m.script); }
void write_fields(Writer& w, const Zoom& m) { w.put(m.factor); }
void write_fields(Writer& w, const Move& m) { w.put(m.bounds); }
void write_fields(Writer& w, const Hide& m) { w.put(m.hidden); }
void write_fields(Writer& w, const Reply& m) {
    w.put(m.id, 8);
    w.put(m.status, 2);
    w.put(m.headers.size(), 4);
    for (const auto& [name, value] : m.headers) {
        w.put(name);
        w.put(value);
    }
    w.put(m.body);
}
void write_fields(Writer& w, const Ready& m) { w.put(m.window, 8); }
void write_fields(Writer& w, const Post& m) { w.put(m.text); }
void write_fields(Writer& w, const Request& m) {
    w.put(m.id, 8);
    w.put(m.url);
}
void write_fields(Writer& w, const Failed& m) { w.put(m.reason); }

void read_fields(Reader& r, Open& m) {
    m.parent = r.get(8);
    m.bounds = r.get_bounds();
    m.scheme = r.get_text();
    const std::size_t count = r.get_count();
    for (std::size_t i = 0; i < count; ++i) {
        Script script;
        script.source = r.get_text();
        script.main_frame_only = r.get_bool();
        m.scripts.push_back(std::move(script));
    }
    m.start_url = r.get_text();
    m.handler = r.get_text();
}
void read_fields(Reader& r, Evaluate& m) { m.script = r.get_text(); }
void read_fields(Reader& r, Zoom& m) { m.factor = r.get_double(); }
void read_fields(Reader& r, Move& m) { m.bounds = r.get_bounds(); }
void read_fields(Reader& r, Hide& m) { m.hidden = r.get_bool(); }
void read_fields(Reader& r, Reply& m) {
    m.id = r.get(8);
    m.status = static_cast<std::uint16_t>(r.get(2));
    const std::size_t count = r.get_count();
    for (std::size_t i = 0; i < count; ++i) {
        std::string name = r.get_text();
        m.headers.emplace_back(std::move(name), r.get_text());
    }
    m.body = r.get_text();
}
void read_fields(Reader& r, Ready& m) { m.window = r.get(8); }
void read_fields(Reader& r, Post& m) { m.text = r.get_text(); }
void read_fields(Reader& r, Request& m) {
    m.id = r.get(8);
    m.url = r.get_text();
}
void read_fields(Reader& r, Failed& m) { m.reason = r.get_text(); }

template <class Variant>
std::string encode_any(const Variant& message) {
    Writer w(static_cast<std::uint8_t>(message.index()));
    std::visit([&w](const auto& m) { write_fields(w, m); }, message);
    return w.take();
}

template <class Variant, std::size_t I = 0>
std::optional<Variant> make_kind(std::size_t kind) {
    if constexpr (I == std::variant_size_v<Variant>) {
        return std::nullopt;
    } else {
        if (kind == I) return Variant(std::in_place_index<I>);
        return make_kind<Variant, I + 1>(kind);
    }
}

template <class Variant>
std::optional<Variant> decode_any(std::string_view frame) {
    if (frame.empty()) return std::nullopt;
    std::optional<Variant> message = make_kind<Variant>(static_cast<unsigned char>(frame[0]));
    if (!message) return std::nullopt;
    Reader r(frame.substr(1));
    std::visit([&r](auto& m) { read_fields(r, m); }, *message);
    if (!r.done()) return std::nullopt;
    return message;
}

}  // namespace

std::string encode(const ToHelper& message) {
    return encode_any(message);
}

std::string encode(const FromHelper& message) {
    return encode_any(message);
}

std::string evaluate_head(std::size_t script_size) {
    Writer w(static_cast<std::uint8_t>(ToHelper(std::in_place_type<Evaluate>).index()));
    w.put(script_size, 4);
    return w.take();
}

std::optional<ToHelper> decode_to_helper(std::string_view frame) {
    return decode_any<ToHelper>(frame);
}

std::optional<FromHelper> decode_from_helper(std::string_view frame) {
    return decode_any<FromHelper>(frame);
}

}  // namespace vantrel_ondrix_plugin::editor::helper
