/* Saving and loading the plug-in's state through the host's streams. */
#pragma once

#include "../plugin.h"
#include "../stream.h"

static const CLAP_CONSTEXPR char CLAP_EXT_STATE[] = "clap.state";

#ifdef __cplusplus
extern "C" {
#endif

/* Plug-in state table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_state {
    /* Writes the whole state into stream; true on success. */
    bool(CLAP_ABI* save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
    /* Reads a state saved by save from stream; true on success. */
    bool(CLAP_ABI* load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
} clap_plugin_state_t;

/* Host state table; owned by the host, called on the main thread. */
typedef struct clap_host_state {
    /* Tells the host that the state changed and the project needs saving. */
    void(CLAP_ABI* mark_dirty)(const clap_host_t* host);
} clap_host_state_t;

#ifdef __cplusplus
}
#endif
