#pragma once

// The presets folder: one file per preset, $HOME/Documents/Vantrel Ondrix/Presets/<name>.vtond,
// holding the patch JSON text exactly as the editor page sent it.
// Thread: main thread only (the editor's message handler). The functions keep no state.

#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "json/result.hpp"

namespace ondrix_plugin_core::protocol {

template <class T>
using Result = ondrix_engine::json::Result<T>;

// The result of an operation that gives nothing back but may fail.
using Done = Result<std::monostate>;

// The presets folder, created with any missing parents. Fails with "No home folder for presets"
// when HOME is not set; an empty HOME gives a folder relative to the current directory.
Result<std::filesystem::path> presets_dir();

// The file of the preset `name`: the name trimmed of Unicode white space, then ".vtond", in the
// presets folder (which this creates). A name that is empty once trimmed, starts with "." or
// holds "/", ":" or "\" is refused.
Result<std::filesystem::path> preset_path(std::string_view name);

// The names of the presets in the folder, sorted by their lowercase form (stable). Removes the
// temporary files of writes whose process was killed midway (see preset_write).
Result<std::vector<std::string>> presets_list();

// The text of a preset file. The file is opened without blocking and read only when it is a
// regular file of at most MAX_DOCUMENT_BYTES; fails when it is not valid UTF-8.
Result<std::string> preset_read(std::string_view name);

// Makes `text` the whole content of the preset, creating or replacing it, through a temporary
// file ".vtond-write-<process id>-<count>" in the folder that is then renamed over it: the old
// content stays whole if writing fails or the process is killed. Temporary files whose process
// is gone are removed first; they are never listed as presets.
Done preset_write(std::string_view name, std::string_view text);

Done preset_delete(std::string_view name);

// Renames the preset `from` to `to`; refused when anything exists at the new name.
Done preset_rename(std::string_view from, std::string_view to);

}  // namespace ondrix_plugin_core::protocol
