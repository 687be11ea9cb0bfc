// The module's one exported symbol: a copy of the plug-in's entry record.
#include <clap/entry.h>

#include "entry.hpp"

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry = vantrel_ondrix_plugin::ENTRY;
