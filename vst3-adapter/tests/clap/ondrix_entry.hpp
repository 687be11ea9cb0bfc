#pragma once

// Our plug-in's entry record, for the test programs that link the plug-in library and reach the
// plug-in through the CLAP ABI alone, never through its headers. Thread: any. Owner: the plug-in.

#include <clap/clap.h>

extern "C" {
extern const clap_plugin_entry_t vantrel_ondrix_plugin_entry;
}
