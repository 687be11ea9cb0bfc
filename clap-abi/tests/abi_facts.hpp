// Layout facts of the CLAP declarations, gathered in translation units of their own so that two
// sets of declarations with the same names can be compared in one program.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <typeinfo>

namespace clap_abi_testing {

// Fact name ("size clap_plugin", "offset clap_plugin.init", "text CLAP_EXT_STATE", ...) to its
// value as text.
using AbiFacts = std::map<std::string, std::string>;

// The facts of the official headers and of ours, for the same list of items.
AbiFacts reference_abi_facts();
AbiFacts our_abi_facts();

template <class T>
void record_type(AbiFacts& facts, const std::string& name) {
    facts["size " + name] = std::to_string(sizeof(T));
    facts["align " + name] = std::to_string(alignof(T));
    facts["type " + name] = typeid(T).name();
}

inline void record_field(AbiFacts& facts, const std::string& name, std::size_t offset,
                         std::size_t size, const char* type) {
    facts["offset " + name] = std::to_string(offset);
    facts["size " + name] = std::to_string(size);
    facts["type " + name] = type;
}

inline void record_value(AbiFacts& facts, const std::string& name, long long value) {
    facts["value " + name] = std::to_string(value);
}

inline void record_text(AbiFacts& facts, const std::string& name, const char* text,
                        std::size_t size_with_nul) {
    // The whole array, terminator included, so that a missing or extra byte shows.
    facts["text " + name] = std::string(text, size_with_nul);
}

}  // namespace clap_abi_testing
