#include "json/text_reader.hpp"

#include "json/builders.hpp"

namespace ondrix_engine::json {

using messages::Syntax;

const Payload<Content>& TextReader::Buffer::finish() {
    payload.is_map = holder.kind == Content::Kind::Object;
    payload.entries.clear();
    payload.items.clear();
    if (payload.is_map) {
        payload.entries.reserve(holder.items.size());
        for (std::size_t i = 0; i < holder.items.size(); ++i) {
            payload.entries.push_back({holder.keys[i], &holder.items[i], holder.key_ends[i]});
        }
    } else {
        payload.items.reserve(holder.items.size());
        for (const Content& item : holder.items) payload.items.push_back(&item);
    }
    return payload;
}

std::string TextReader::error_message() const {
    const std::size_t at = failure_.at == Failure::kUnplaced ? index_ : failure_.at;
    return failure_.message + messages::position(text_, at);
}

bool TextReader::parse_ident(const char* rest) {
    for (; *rest != '\0'; ++rest) {
        const int c = next();
        if (c == kEof) return error(Syntax::EofWhileParsingValue);
        if (c != static_cast<unsigned char>(*rest)) return error(Syntax::ExpectedSomeIdent);
    }
    return true;
}

bool TextReader::parse_object_colon() {
    const int c = skip_whitespace();
    if (c == ':') {
        eat();
        return true;
    }
    return peek_error(c == kEof ? Syntax::EofWhileParsingObject : Syntax::ExpectedColon);
}

bool TextReader::peek_invalid_type(std::string_view expected) {
    std::string found;
    const int c = peek();
    switch (c) {
        case 'n':
            eat();
            if (!parse_ident("ull")) return false;
            found = messages::found_null();
            break;
        case 't':
        case 'f':
            eat();
            if (!parse_ident(c == 't' ? "rue" : "alse")) return false;
            found = messages::found_bool(c == 't');
            break;
        case '"': {
            eat();
            std::string_view text;
            if (!parse_string(text)) return false;
            found = messages::found_string(text);
            break;
        }
        case '[':
            found = messages::found_sequence();
            break;
        case '{':
            found = messages::found_map();
            break;
        default: {
            if (c != '-' && !is_digit(c)) return peek_error(Syntax::ExpectedSomeValue);
            if (c == '-') eat();
            Number number;
            if (!parse_number(c != '-', number)) return false;
            found = number.found();
        }
    }
    failure_.fail(messages::invalid_type(found, expected));
    return fix();
}

bool TextReader::read_bool(bool& out) {
    const int c = skip_whitespace();
    if (c == kEof) return peek_error(Syntax::EofWhileParsingValue);
    if (c == 't' || c == 'f') {
        eat();
        if (!parse_ident(c == 't' ? "rue" : "alse")) return false;
        out = c == 't';
        return true;
    }
    return peek_invalid_type("a boolean");
}

bool TextReader::read_number(Number& out, std::string_view expected) {
    const int c = skip_whitespace();
    if (c == kEof) return peek_error(Syntax::EofWhileParsingValue);
    if (c == '-') {
        eat();
        return parse_number(false, out);
    }
    if (is_digit(c)) return parse_number(true, out);
    return peek_invalid_type(expected);
}

bool TextReader::read_f32(float& out) {
    Number number;
    if (!read_number(number, "f32")) return false;
    out = to_f32(number);
    return true;
}

bool TextReader::read_unsigned(std::uint64_t& out, std::uint64_t max, std::string_view expected) {
    Number number;
    if (!read_number(number, expected)) return false;
    return to_unsigned(failure_, number, max, expected, out) || fix();
}

bool TextReader::read_identifier(const Variants& variants, std::size_t& alternative) {
    const int c = skip_whitespace();
    if (c == kEof) return peek_error(Syntax::EofWhileParsingValue);
    if (c != '"') return peek_invalid_type("variant identifier");
    eat();
    std::string_view name;
    if (!parse_string(name)) return false;
    return variants.lookup(failure_, name, alternative) || fix();
}

bool TextReader::read_unit_enum(const Variants& variants, std::size_t& alternative) {
    const int c = skip_whitespace();
    if (c == '"') return read_identifier(variants, alternative);
    if (c != '{') {
        return peek_error(c == kEof ? Syntax::EofWhileParsingValue : Syntax::ExpectedSomeValue);
    }
    // {"name": null}
    if (!enter()) return false;
    eat();
    if (!read_identifier(variants, alternative) || !parse_object_colon()) return false;
    const int u = skip_whitespace();
    if (u == kEof) return peek_error(Syntax::EofWhileParsingValue);
    if (u != 'n') return peek_invalid_type("unit");
    eat();
    if (!parse_ident("ull")) return false;
    leave();
    const int close = skip_whitespace();
    if (close == '}') {
        eat();
        return true;
    }
    return error(close == kEof ? Syntax::EofWhileParsingObject : Syntax::ExpectedSomeValue);
}

void TextReader::note(std::string message) {
    if (failure_.notes != nullptr) failure_.notes->remarks.push_back({std::move(message), index_});
}

bool TextReader::skip() {
    builders::Skip builder;
    return read_any(builder, builder.slot);
}

bool TextReader::buffer(Content& out) {
    builders::Buffer builder;
    return read_any(builder, out);
}

bool TextReader::end_seq() {
    const int c = skip_whitespace();
    if (c == ']') {
        eat();
        return true;
    }
    if (c == ',') {
        eat();
        return peek_error(skip_whitespace() == ']' ? Syntax::TrailingComma
                                                   : Syntax::TrailingCharacters);
    }
    return peek_error(c == kEof ? Syntax::EofWhileParsingList : Syntax::TrailingCharacters);
}

bool TextReader::end_map() {
    const int c = skip_whitespace();
    if (c == '}') {
        eat();
        return true;
    }
    if (c == ',') return peek_error(Syntax::TrailingComma);
    return peek_error(c == kEof ? Syntax::EofWhileParsingObject : Syntax::TrailingCharacters);
}

bool TextReader::end() {
    if (skip_whitespace() != kEof) return peek_error(Syntax::TrailingCharacters);
    return true;
}

bool TextReader::Map::next_key(std::string_view& key, bool& done) {
    done = false;
    int c = reader_.skip_whitespace();
    if (c == '}') {
        done = true;
        return true;
    }
    if (c == ',' && !first_) {
        reader_.eat();
        c = reader_.skip_whitespace();
    } else if (c == kEof) {
        return reader_.peek_error(Syntax::EofWhileParsingObject);
    } else if (first_) {
        first_ = false;
    } else {
        return reader_.peek_error(Syntax::ExpectedObjectCommaOrEnd);
    }
    switch (c) {
        case '"':
            reader_.eat();
            return reader_.parse_string(key);
        case '}':
            return reader_.peek_error(Syntax::TrailingComma);
        case kEof:
            return reader_.peek_error(Syntax::EofWhileParsingValue);
        default:
            return reader_.peek_error(Syntax::KeyMustBeAString);
    }
}

bool TextReader::Map::skip_value(std::string_view key) {
    if (reader_.failure_.notes != nullptr) {
        reader_.failure_.notes->ignored_keys.push_back({std::string(key), reader_.index_});
    }
    return reader_.parse_object_colon() && reader_.skip();
}

bool TextReader::Map::buffer_value(std::string_view key, Buffer& buffer) {
    buffer.holder.keys.emplace_back(key);
    buffer.holder.key_ends.push_back(reader_.index_);
    Content& slot = buffer.holder.items.emplace_back();
    return reader_.parse_object_colon() && reader_.buffer(slot);
}

bool TextReader::Seq::advance(bool& got) {
    got = false;
    int c = reader_.skip_whitespace();
    if (c == ']') return true;
    if (c == ',' && !first_) {
        reader_.eat();
        c = reader_.skip_whitespace();
    } else if (c == kEof) {
        return reader_.peek_error(Syntax::EofWhileParsingList);
    } else if (first_) {
        first_ = false;
    } else {
        return reader_.peek_error(Syntax::ExpectedListCommaOrEnd);
    }
    if (c == ']') return reader_.peek_error(Syntax::TrailingComma);
    if (c == kEof) return reader_.peek_error(Syntax::EofWhileParsingValue);
    got = true;
    return true;
}

bool TextReader::Seq::buffer_rest(Buffer& buffer) {
    for (;;) {
        bool got = false;
        if (!advance(got)) return false;
        if (!got) return true;
        if (!reader_.buffer(buffer.holder.items.emplace_back())) return false;
    }
}

}  // namespace ondrix_engine::json
