/* How long the plug-in's output rings on after its input stops. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_TAIL[] = "clap.tail";

#ifdef __cplusplus
extern "C" {
#endif

/* Plug-in tail table; owned by the plug-in, called on the main and audio threads. */
typedef struct clap_plugin_tail {
    /* The tail in samples; INT32_MAX or more means an endless tail. */
    uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
} clap_plugin_tail_t;

/* Host tail table; owned by the host, called on the audio thread. */
typedef struct clap_host_tail {
    /* The tail changed. */
    void(CLAP_ABI* changed)(const clap_host_t* host);
} clap_host_tail_t;

#ifdef __cplusplus
}
#endif
