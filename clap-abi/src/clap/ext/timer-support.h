/* Periodic main-thread callbacks that the host runs for the plug-in. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

#ifdef __cplusplus
extern "C" {
#endif

/* Plug-in timer table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_timer_support {
    void(CLAP_ABI* on_timer)(const clap_plugin_t* plugin, clap_id timer_id);
} clap_plugin_timer_support_t;

/* Host timer table; owned by the host, called on the main thread. */
typedef struct clap_host_timer_support {
    /* Starts a timer of about period_ms milliseconds and writes its id to *timer_id. */
    bool(CLAP_ABI* register_timer)(const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);
    bool(CLAP_ABI* unregister_timer)(const clap_host_t* host, clap_id timer_id);
} clap_host_timer_support_t;

#ifdef __cplusplus
}
#endif
