#include "run_steps.hpp"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "state_document.hpp"

namespace ondrix_tools {

int run_with_files(const HostOptions& options, std::string_view program, std::ostream& out,
                   std::ostream& err,
                   const std::function<bool(RunFiles& files, std::string& error)>& run) {
    std::string error;
    RunFiles files;
    if (options.state_file) {
        std::optional<std::string> file = read_state_file(*options.state_file, error);
        if (!file) {
            err << program << ": " << error << '\n';
            return 1;
        }
        StateCheck check = check_state_file(*file);
        for (const std::string& warning : check.warnings) {
            err << program << ": " << *options.state_file << ": warning: " << warning << '\n';
        }
        files.state =
            StateFile{*options.state_file, state_document_from_file(*file), std::move(check)};
    }
    if (options.save_file) {
        std::optional<SaveFile> save = SaveFile::open(*options.save_file, error);
        if (!save) {
            err << program << ": " << error << '\n';
            return 1;
        }
        files.save.emplace(std::move(*save));
    }
    const bool ok = run(files, error);
    out.flush();
    if (!ok) {
        err << program << ": " << error << '\n';
        return 1;
    }
    return 0;
}

std::string refused_state_error(std::string_view who, const StateFile& state) {
    std::string error = fmt::format("{} refused the state in '{}'", who, state.path);
    if (!state.check.error.empty()) error += fmt::format(": {}", state.check.error);
    return error;
}

bool run_blocks(double seconds, std::string_view who, std::string& error,
                const std::function<bool(std::uint64_t frame, std::uint32_t frames)>& process) {
    const auto total = static_cast<std::uint64_t>(std::llround(seconds * kSampleRate));
    for (std::uint64_t frame = 0; frame < total; frame += kBlockFrames) {
        const auto frames =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kBlockFrames, total - frame));
        if (!process(frame, frames)) {
            error = fmt::format("{} failed to process the block at sample {}", who, frame);
            return false;
        }
    }
    return true;
}

bool save_state(RunFiles& files, std::string_view who,
                const std::function<std::optional<std::string>()>& save, std::string& error) {
    if (!files.save) return true;
    const std::optional<std::string> bytes = save();
    if (!bytes) {
        error = fmt::format("{} failed to save its state", who);
        return false;
    }
    return files.save->write(*bytes, error);
}

}  // namespace ondrix_tools
