/* File descriptors that the host watches on its main thread for the plug-in. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

#ifdef __cplusplus
extern "C" {
#endif

/* What a descriptor is watched for; the same bits tell the plug-in what happened. */
enum {
    CLAP_POSIX_FD_READ = 1 << 0,
    CLAP_POSIX_FD_WRITE = 1 << 1,
    CLAP_POSIX_FD_ERROR = 1 << 2,
};
typedef uint32_t clap_posix_fd_flags_t;

/* Plug-in table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_posix_fd_support {
    /* fd is ready for what flags say. */
    void(CLAP_ABI* on_fd)(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);
} clap_plugin_posix_fd_support_t;

/* Host table; owned by the host, called on the main thread. */
typedef struct clap_host_posix_fd_support {
    /* Starts watching fd; false when the host can't. */
    bool(CLAP_ABI* register_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    /* Changes what a watched fd is watched for. */
    bool(CLAP_ABI* modify_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    /* Stops watching fd. */
    bool(CLAP_ABI* unregister_fd)(const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

#ifdef __cplusplus
}
#endif
