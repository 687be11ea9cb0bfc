/* A plug-in instance and the descriptor of its type. */
#pragma once

#include "host.h"
#include "private/macros.h"
#include "process.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Describes one plug-in type; owned by the factory, read-only, read from any thread. Every
   string is non-null unless marked optional. */
typedef struct clap_plugin_descriptor {
    clap_version_t clap_version;

    /* Reverse-domain identifier, e.g. "com.example.reverb"; mandatory. */
    const char* id;
    /* Display name; mandatory. */
    const char* name;
    /* The following are optional and may be null or empty. */
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;

    /* Null-terminated array of feature strings (see plugin-features.h). */
    const char* const* features;
} clap_plugin_descriptor_t;

/* One plug-in instance; created by the module's factory, owned by the host until destroy.
   init, destroy, activate, deactivate, get_extension and on_main_thread run on the host's main
   thread; start_processing, stop_processing, reset and process on its audio thread. */
typedef struct clap_plugin {
    const clap_plugin_descriptor_t* desc;

    /* Reserved for the plug-in. */
    void* plugin_data;

    /* Finishes construction; the host may query extensions from here on. */
    bool(CLAP_ABI* init)(const struct clap_plugin* plugin);

    /* Frees the instance and everything it holds. */
    void(CLAP_ABI* destroy)(const struct clap_plugin* plugin);

    /* Prepares for processing at sample_rate with blocks of min_frames_count to
       max_frames_count frames. */
    bool(CLAP_ABI* activate)(const struct clap_plugin* plugin, double sample_rate,
                             uint32_t min_frames_count, uint32_t max_frames_count);
    void(CLAP_ABI* deactivate)(const struct clap_plugin* plugin);

    /* Called on the audio thread before the first process after activation or a stop. */
    bool(CLAP_ABI* start_processing)(const struct clap_plugin* plugin);
    void(CLAP_ABI* stop_processing)(const struct clap_plugin* plugin);

    /* Clears all buffers and voices, as after activation. */
    void(CLAP_ABI* reset)(const struct clap_plugin* plugin);

    /* Processes one block; the process record and everything it points at belong to the host
       and are valid for this call only. */
    clap_process_status(CLAP_ABI* process)(const struct clap_plugin* plugin,
                                           const clap_process_t* process);

    /* The extension table whose identifier is id, or null; the table is owned by the plug-in. */
    const void*(CLAP_ABI* get_extension)(const struct clap_plugin* plugin, const char* id);

    /* The main-thread callback that the plug-in asked for with the host's request_callback. */
    void(CLAP_ABI* on_main_thread)(const struct clap_plugin* plugin);
} clap_plugin_t;

#ifdef __cplusplus
}
#endif
