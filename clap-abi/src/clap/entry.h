/* The one symbol a CLAP module exports: its entry record. */
#pragma once

#include "private/macros.h"
#include "version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The module's entry record: static, read-only data owned by the module. A host calls init
   before anything else and deinit last; the three functions may be called from any thread and
   the module serialises them. */
typedef struct clap_plugin_entry {
    clap_version_t clap_version;

    /* Called once per load of the module with the path of the module file; true on success. */
    bool(CLAP_ABI* init)(const char* plugin_path);

    /* Matches one successful init; no plug-in instance may outlive the last deinit. */
    void(CLAP_ABI* deinit)(void);

    /* The factory whose identifier is factory_id, or null. Valid until the last deinit. */
    const void*(CLAP_ABI* get_factory)(const char* factory_id);
} clap_plugin_entry_t;

/* The exported entry of a CLAP module. */
CLAP_EXPORT extern const clap_plugin_entry_t clap_entry;

#ifdef __cplusplus
}
#endif
