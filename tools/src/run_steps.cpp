#include "run_steps.hpp"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "host_files.hpp"
#include "refused_state.hpp"
#include "state_document.hpp"

namespace ondrix_tools {

int run_with_state_file(
    const HostOptions& options, std::string_view program, std::ostream& out, std::ostream& err,
    const std::function<bool(const std::optional<StateFile>& state, std::string& error)>& run) {
    std::string error;
    std::optional<StateFile> state;
    if (options.state_file) {
        std::optional<std::string> file = read_state_file(*options.state_file, error);
        if (!file) {
            err << program << ": " << error << '\n';
            return 1;
        }
        std::string document = state_document_from_file(*file);
        state = StateFile{*options.state_file, std::move(*file), std::move(document)};
    }
    const bool ok = run(state, error);
    out.flush();
    if (!ok) {
        err << program << ": " << error << '\n';
        return 1;
    }
    return 0;
}

std::string refused_state_error(std::string_view who, const StateFile& state) {
    std::string error = fmt::format("{} refused the state in '{}'", who, state.path);
    if (const std::string reason = refused_state_reason(state.file); !reason.empty()) {
        error += fmt::format(": {}", reason);
    }
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

bool save_state(const HostOptions& options, std::string_view who,
                const std::function<std::optional<std::string>()>& save, std::string& error) {
    if (!options.save_file) return true;
    const std::optional<std::string> bytes = save();
    if (!bytes) {
        error = fmt::format("{} failed to save its state", who);
        return false;
    }
    return write_file(*options.save_file, *bytes, error);
}

}  // namespace ondrix_tools
