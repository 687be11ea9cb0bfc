// Loads arbitrary bytes as a state document. Whatever is accepted must save as a document that
// loads back and saves again as the very same text: what a host stores, the plug-in can restore.
// Every refusal, and only a refusal, has a reason to tell the user.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core.hpp"
#include "refusal.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ondrix_plugin_core::Core;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    Core core;
    const bool accepted = core.load_state(bytes);
    const std::string saved = core.save_state();
    // A refusal changes nothing.
    if (!accepted && saved != R"({"patch":null,"version":1})") std::abort();
    if (ondrix_plugin_core::state_refusal(bytes).has_value() == accepted) std::abort();

    Core restored;
    if (!restored.load_state(saved)) std::abort();
    if (restored.save_state() != saved) std::abort();
    if (!core.load_state(saved) || core.save_state() != saved) std::abort();
    return 0;
}
