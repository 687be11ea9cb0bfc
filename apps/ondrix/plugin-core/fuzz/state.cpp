// Loads arbitrary bytes as a state document. Whatever is accepted must save as a document that
// loads back and saves again as the very same text: what a host stores, the plug-in can restore.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ondrix_plugin_core::Core;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    Core core;
    const bool accepted = core.load_state(bytes);
    const std::string saved = core.save_state();
    // A refusal changes nothing.
    if (!accepted && saved != R"({"patch":null,"version":1})") std::abort();

    Core restored;
    if (!restored.load_state(saved)) std::abort();
    if (restored.save_state() != saved) std::abort();
    if (!core.load_state(saved) || core.save_state() != saved) std::abort();
    return 0;
}
