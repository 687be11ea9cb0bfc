/* The host's log, through which a plug-in reports what went wrong. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_LOG[] = "clap.log";

#ifdef __cplusplus
extern "C" {
#endif

enum {
    CLAP_LOG_DEBUG = 0,
    CLAP_LOG_INFO = 1,
    CLAP_LOG_WARNING = 2,
    CLAP_LOG_ERROR = 3,
    CLAP_LOG_FATAL = 4,

    /* The host broke the rules of the ABI. */
    CLAP_LOG_HOST_MISBEHAVING = 5,

    /* The plug-in broke the rules of the ABI or failed in an unforeseen way. */
    CLAP_LOG_PLUGIN_MISBEHAVING = 6,
};
typedef int32_t clap_log_severity;

/* Host log table; owned by the host, callable from any thread. */
typedef struct clap_host_log {
    /* msg is a NUL-terminated text owned by the caller. */
    void(CLAP_ABI* log)(const clap_host_t* host, clap_log_severity severity, const char* msg);
} clap_host_log_t;

#ifdef __cplusplus
}
#endif
