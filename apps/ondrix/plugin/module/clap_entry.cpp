// The module's exported copy of the plug-in's entry record, constant-initialised: it is complete
// before any code of the module runs. "Vantrel Ondrix.clap" and the VST3 bundle both build it.
#include <clap/entry.h>

#include "entry.hpp"

extern "C" CLAP_EXPORT constinit const clap_plugin_entry_t clap_entry =
    vantrel_ondrix_plugin::ENTRY;
