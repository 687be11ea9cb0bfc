// Sends arbitrary messages, one per line of the input, to one editor page over one Core, with
// HOME in a temporary folder. Every invoke gets exactly one reply carrying its id, anything else
// gets nothing, every message the page is given is JSON, and no file appears anywhere but in the
// presets folder, as a preset.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "core.hpp"
#include "json/parse.hpp"
#include "protocol/page.hpp"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ondrix_plugin_core::Core;
using ondrix_plugin_core::protocol::Eval;
using ondrix_plugin_core::protocol::Page;

// A folder of our own for the run, holding HOME, named after the process. Memory-backed where
// the system offers it: presets are synced to disk when written. libFuzzer ends without running
// exit handlers, so each run first clears the folders of runs that have ended.
const fs::path& sandbox() {
    static const fs::path root = [] {
        const fs::path base =
            fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        constexpr std::string_view prefix = "fuzz_page.";
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(base, ignored)) {
            const std::string name = entry.path().filename().string();
            if (!name.starts_with(prefix)) continue;
            const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
            if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
                fs::remove_all(entry.path(), ignored);
            }
        }
        const fs::path made = base / (std::string(prefix) + std::to_string(::getpid()));
        fs::remove_all(made, ignored);
        fs::create_directories(made / "home");
        ::setenv("HOME", (made / "home").c_str(), 1);
        return made;
    }();
    return root;
}

bool is_preset_folder_or_above(const fs::path& relative) {
    static const std::vector<fs::path> allowed = {"home", "home/Documents",
                                                  "home/Documents/Vantrel Ondrix",
                                                  "home/Documents/Vantrel Ondrix/Presets"};
    for (const fs::path& path : allowed) {
        if (relative == path) return true;
    }
    return false;
}

// Only folders on the way to the presets folder, and regular .vtond files directly inside it.
void check_files(const fs::path& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::path relative = fs::relative(entry.path(), root);
        if (entry.is_directory() && is_preset_folder_or_above(relative)) continue;
        const bool preset = relative.parent_path() == "home/Documents/Vantrel Ondrix/Presets" &&
                            entry.is_regular_file() && relative.extension() == ".vtond";
        if (!preset) std::abort();
    }
}

// The message's id when it is an invoke (null when it has none); nothing for any other text.
std::optional<json> invoke_id(std::string_view message) {
    if (message.size() > ondrix_plugin_core::MAX_DOCUMENT_BYTES) return std::nullopt;
    const auto parsed = ondrix_engine::json::parse(message);
    if (!parsed || !parsed.value().is_object()) return std::nullopt;
    const json& invoke = parsed.value();
    const auto type = invoke.find("type");
    if (type == invoke.end() || *type != "invoke") return std::nullopt;
    const auto id = invoke.find("id");
    return id == invoke.end() ? json(nullptr) : *id;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& root = sandbox();
    fs::remove_all(root / "home" / "Documents");

    Core core;
    Page page;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view message = input.substr(0, end);
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
        // A line "load <document>" stands for the host loading a state.
        if (message.starts_with("load ")) {
            core.load_state(message.substr(5));
            continue;
        }

        const auto actions = page.handle(core, message);
        const std::optional<json> id = invoke_id(message);
        std::size_t replies = 0;
        for (const auto& action : actions) {
            const auto* eval = std::get_if<Eval>(&action);
            if (eval == nullptr) continue;
            const json sent = json::parse(eval->text, nullptr, false);
            if (sent.is_discarded()) std::abort();  // the page could not read it
            if (!sent.is_object() || sent.value("type", "") != "reply") continue;
            ++replies;
            if (!id || sent["id"] != *id) std::abort();
        }
        if (replies != (id ? 1u : 0u)) std::abort();
    }
    check_files(root);
    return 0;
}
