/* The delay the plug-in adds to its audio. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_LATENCY[] = "clap.latency";

#ifdef __cplusplus
extern "C" {
#endif

/* Plug-in latency table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_latency {
    /* The latency in samples. */
    uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
} clap_plugin_latency_t;

/* Host latency table; owned by the host, called on the main thread. */
typedef struct clap_host_latency {
    /* The latency changed; called while the plug-in is deactivated or activating. */
    void(CLAP_ABI* changed)(const clap_host_t* host);
} clap_host_latency_t;

#ifdef __cplusplus
}
#endif
