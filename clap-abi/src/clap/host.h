/* The host as a plug-in sees it. */
#pragma once

#include "private/macros.h"
#include "version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The host's side of one plug-in instance; owned by the host, valid for the instance's whole
   life. get_extension runs on any thread, the request functions on any thread. */
typedef struct clap_host {
    clap_version_t clap_version;

    /* Reserved for the host. */
    void* host_data;

    /* name and version are mandatory; vendor and url are optional. */
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;

    /* The host's extension table whose identifier is extension_id, or null. */
    const void*(CLAP_ABI* get_extension)(const struct clap_host* host, const char* extension_id);

    /* Asks the host to deactivate and reactivate the plug-in. */
    void(CLAP_ABI* request_restart)(const struct clap_host* host);

    /* Asks the host to activate the plug-in and start processing. */
    void(CLAP_ABI* request_process)(const struct clap_host* host);

    /* Asks the host to call the plug-in's on_main_thread. */
    void(CLAP_ABI* request_callback)(const struct clap_host* host);
} clap_host_t;

#ifdef __cplusplus
}
#endif
