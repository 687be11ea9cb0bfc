/* Lets the plug-in ask on which of the host's threads it is called. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

#ifdef __cplusplus
extern "C" {
#endif

/* Host thread-check table; owned by the host, callable from any thread. */
typedef struct clap_host_thread_check {
    bool(CLAP_ABI* is_main_thread)(const clap_host_t* host);
    bool(CLAP_ABI* is_audio_thread)(const clap_host_t* host);
} clap_host_thread_check_t;

#ifdef __cplusplus
}
#endif
