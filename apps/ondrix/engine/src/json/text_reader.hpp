#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/content.hpp"
#include "json/failure.hpp"
#include "json/messages.hpp"
#include "json/node_reader.hpp"
#include "json/payload.hpp"

namespace ondrix_engine::json {

// The streaming reader over JSON text: each read takes the next value from the text. Every error
// gets the position of the byte where reading stopped; an error raised later, from buffered
// entries, is placed where the enclosing value ends. Nesting deeper than 127 arrays and objects
// fails, whether the values are read, skipped or buffered.
// Thread: one thread. Owner: the read in progress (it borrows the text).
class TextReader {
  public:
    class Map;
    class Seq;

    // The entries of a tagged value, kept until its tag is known.
    struct Buffer {
        Content holder;
        Payload<Content> payload;

        void start_map() { holder.kind = Content::Kind::Object; }
        void start_seq() { holder.kind = Content::Kind::Array; }
        const Payload<Content>& finish();
    };
    using BufferedReader = NodeReader<Content, true>;

    explicit TextReader(std::string_view text) : text_(text) {}

    Failure& failure() { return failure_; }
    // The error with " at line L column C" appended.
    std::string error_message() const;

    bool read_bool(bool& out);
    bool read_f32(float& out);
    bool read_unsigned(std::uint64_t& out, std::uint64_t max, std::string_view expected);
    // A tag read straight from the text: a string naming an alternative.
    bool read_identifier(const Variants& variants, std::size_t& alternative);
    // A plain enumeration: "name" or {"name": null}.
    bool read_unit_enum(const Variants& variants, std::size_t& alternative);
    // An object (visitor.visit_map) or an array (visitor.visit_seq).
    template <class Visitor>
    bool read_struct(Visitor& visitor) {
        return read_container(visitor, true, true);
    }
    template <class Visitor>
    bool read_map(Visitor& visitor) {
        return read_container(visitor, true, false);
    }
    template <class Visitor>
    bool read_seq(Visitor& visitor) {
        return read_container(visitor, false, true);
    }
    // null gives visitor.none(), anything else visitor.some(*this).
    template <class Visitor>
    bool read_option(Visitor& visitor) {
        if (skip_whitespace() == 'n') {
            eat();
            return parse_ident("ull") && visitor.none();
        }
        return visitor.some(*this);
    }
    // Any value, built by `builder` (see json/builders.hpp).
    template <class Builder>
    bool read_any(Builder& builder, typename Builder::Value& out);
    bool skip();
    bool buffer(Content& out);
    // A remark about the value just read, placed just past it, for the read's notes.
    void note(std::string message);
    // After the top-level value: only whitespace may follow.
    bool end();

  private:
    static constexpr int kEof = -1;

    static bool is_digit(int c) { return c >= '0' && c <= '9'; }

    int peek() const {
        return index_ < text_.size() ? static_cast<unsigned char>(text_[index_]) : kEof;
    }
    void eat() { ++index_; }
    int next() {
        const int c = peek();
        if (c != kEof) ++index_;
        return c;
    }
    int skip_whitespace() {
        while (index_ < text_.size()) {
            const char c = text_[index_];
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
                return static_cast<unsigned char>(c);
            }
            ++index_;
        }
        return kEof;
    }

    // An error at the last byte taken, or at the byte looked at next.
    bool error(messages::Syntax code) {
        return failure_.fail_at(std::string(messages::syntax(code)), index_);
    }
    bool peek_error(messages::Syntax code) {
        const std::size_t at = index_ + 1 < text_.size() ? index_ + 1 : text_.size();
        return failure_.fail_at(std::string(messages::syntax(code)), at);
    }
    // Gives an error raised without a position the position reached now; returns false.
    bool fix() {
        failure_.place(index_);
        return false;
    }
    bool enter() {
        if (--remaining_depth_ == 0) return peek_error(messages::Syntax::RecursionLimitExceeded);
        return true;
    }
    void leave() { ++remaining_depth_; }

    bool parse_ident(const char* rest);
    // text_number.cpp
    bool parse_number(bool positive, Number& out);
    bool parse_float(std::size_t start, Number& out);
    // text_string.cpp
    bool parse_string(std::string_view& out);
    bool parse_escape();
    bool parse_unicode_escape();
    bool decode_hex_escape(std::uint16_t& out);
    bool parse_object_colon();
    bool read_number(Number& out, std::string_view expected);
    bool peek_invalid_type(std::string_view expected);
    bool end_seq();
    bool end_map();

    template <class Visitor>
    bool read_container(Visitor& visitor, bool object, bool array);

    std::string_view text_;
    std::size_t index_ = 0;
    int remaining_depth_ = 128;
    std::string scratch_;
    Failure failure_;

    friend class Map;
    friend class Seq;
};

// The entries of an object, one key and value at a time.
class TextReader::Map {
  public:
    using Buffer = TextReader::Buffer;
    using BufferedReader = TextReader::BufferedReader;

    explicit Map(TextReader& reader) : reader_(reader) {}

    // The next key (valid until the next read), or done at the closing brace.
    bool next_key(std::string_view& key, bool& done);
    // Reads the value after the key with read(TextReader&).
    template <class Read>
    bool value(Read&& read) {
        return reader_.parse_object_colon() && read(reader_);
    }
    // Passes over the value of a key the record doesn't know (right after next_key gave it),
    // noting the key.
    bool skip_value(std::string_view key);
    bool buffer_value(std::string_view key, Buffer& buffer);

  private:
    TextReader& reader_;
    bool first_ = true;
};

// The elements of an array, one at a time.
class TextReader::Seq {
  public:
    using Buffer = TextReader::Buffer;
    using BufferedReader = TextReader::BufferedReader;

    explicit Seq(TextReader& reader) : reader_(reader) {}

    // Reads the next element with read(TextReader&); got is false at the closing bracket.
    template <class Read>
    bool next(Read&& read, bool& got) {
        if (!advance(got)) return false;
        return !got || read(reader_);
    }
    // Buffers every remaining element.
    bool buffer_rest(Buffer& buffer);
    // Steps over the comma before the next element; got is false at the closing bracket.
    bool advance(bool& got);

  private:
    TextReader& reader_;
    bool first_ = true;
};

template <class Visitor>
bool TextReader::read_container(Visitor& visitor, bool object, bool array) {
    const int c = skip_whitespace();
    if (c == kEof) return peek_error(messages::Syntax::EofWhileParsingValue);
    bool ok = false;
    if (array && c == '[') {
        if (!enter()) return false;
        eat();
        Seq seq(*this);
        ok = visitor.visit_seq(seq);
        leave();
        ok = end_seq() && ok;  // the closing bracket is looked for even after a failure
    } else if (object && c == '{') {
        if (!enter()) return false;
        eat();
        Map map(*this);
        ok = visitor.visit_map(map);
        leave();
        ok = end_map() && ok;
    } else {
        return peek_invalid_type(visitor.expected());
    }
    return ok || fix();
}

template <class Builder>
bool TextReader::read_any(Builder& builder, typename Builder::Value& out) {
    const int c = skip_whitespace();
    bool ok = false;
    switch (c) {
        case kEof:
            return peek_error(messages::Syntax::EofWhileParsingValue);
        case 'n':
            eat();
            ok = parse_ident("ull");
            if (ok) builder.null(out);
            break;
        case 't':
        case 'f':
            eat();
            ok = parse_ident(c == 't' ? "rue" : "alse");
            if (ok) builder.boolean(out, c == 't');
            break;
        case '-':
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9': {
            if (c == '-') eat();
            Number number;
            ok = parse_number(c != '-', number);
            if (ok) builder.number(out, number);
            break;
        }
        case '"': {
            eat();
            std::string_view text;
            ok = parse_string(text);
            if (ok) builder.string(out, text);
            break;
        }
        case '[': {
            if (!enter()) return false;
            eat();
            builder.array(out);
            Seq seq(*this);
            ok = true;
            for (;;) {
                bool got = false;
                if (!seq.advance(got)) {
                    ok = false;
                    break;
                }
                if (!got) break;
                if (!read_any(builder, builder.push(out))) {
                    ok = false;
                    break;
                }
            }
            leave();
            ok = end_seq() && ok;
            break;
        }
        case '{': {
            if (!enter()) return false;
            eat();
            builder.object(out);
            Map map(*this);
            ok = true;
            for (;;) {
                std::string_view key;
                bool done = false;
                if (!map.next_key(key, done)) {
                    ok = false;
                    break;
                }
                if (done) break;
                typename Builder::Value& slot = builder.entry(out, key, index_);
                if (!parse_object_colon() || !read_any(builder, slot)) {
                    ok = false;
                    break;
                }
            }
            leave();
            ok = end_map() && ok;
            break;
        }
        default:
            return peek_error(messages::Syntax::ExpectedSomeValue);
    }
    return ok || fix();
}

}  // namespace ondrix_engine::json
