#pragma once

#include <clap/entry.h>

namespace vantrel_ondrix_plugin {

// The three functions behind the module's entry record; each runs the EntryHolder's operation.
// Any thread; serialised by the holder's lock.
bool entry_init(const char* plugin_path) noexcept;
void entry_deinit() noexcept;
const void* entry_get_factory(const char* factory_id) noexcept;

// The entry record of the plug-in (CLAP 1.1.9). A module exports a copy of it as `clap_entry`.
// Thread: any (read-only). Owner: static.
inline constexpr clap_plugin_entry_t ENTRY{
    clap_version_t{1, 1, 9},
    &entry_init,
    &entry_deinit,
    &entry_get_factory,
};

}  // namespace vantrel_ondrix_plugin

extern "C" {
// The same record as a data symbol of the plug-in library, for code that links it in and copies
// the record into a module's own `clap_entry`.
extern const clap_plugin_entry_t vantrel_ondrix_plugin_entry;
}
