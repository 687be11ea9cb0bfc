// What both command-line hosts do around the plug-in's own calls: the run's files, its blocks
// and the state it saves. Each host keeps only the calls of its own plug-in format.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "host_files.hpp"
#include "options.hpp"
#include "state_check.hpp"

namespace ondrix_tools {

// Sample rate and block size of every run.
inline constexpr double kSampleRate = 48000.0;
inline constexpr std::uint32_t kBlockFrames = 256;

// The state file a run loads first: where it is, the state document made of its bytes
// (state_document_from_file) and what the patch reader says of them.
struct StateFile {
    std::string path;
    std::string document;
    StateCheck check;
};

// The files of one run, open before it starts.
struct RunFiles {
    std::optional<StateFile> state;
    std::optional<SaveFile> save;
};

// One run of `program`: reads options.state_file, if any, and writes its warnings to err as
// "<program>: <path>: warning: <warning>"; opens options.save_file, if any; then calls `run` with
// them and flushes out. An error the files or the run left goes to err as "<program>: <error>".
// Returns 0, or 1 after an error.
int run_with_files(const HostOptions& options, std::string_view program, std::ostream& out,
                   std::ostream& err,
                   const std::function<bool(RunFiles& files, std::string& error)>& run);

// "<who> refused the state in '<path>'", and the patch reader's reason after a colon where it
// finds one.
std::string refused_state_error(std::string_view who, const StateFile& state);

// Calls `process` on each block of a run of `seconds` at kSampleRate, with the block's first
// frame counted from the start of the run and its length: kBlockFrames, the last one shorter.
// Stops at the first block that `process` fails, with error "<who> failed to process the block at
// sample <first frame>".
bool run_blocks(double seconds, std::string_view who, std::string& error,
                const std::function<bool(std::uint64_t frame, std::uint32_t frames)>& process);

// Writes the state that `save` gives to the run's save file, when it has one. A save that gives
// nothing leaves error "<who> failed to save its state".
bool save_state(RunFiles& files, std::string_view who,
                const std::function<std::optional<std::string>()>& save, std::string& error);

}  // namespace ondrix_tools
