/* The ARA extension's CLAP side: the module's ARA factory and the plug-in's ARA binding. The ARA
   records themselves are passed along untouched, so they stay untyped here. */
#pragma once

#include "plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_ARA_FACTORY[] = "org.ara-audio.ara.factory/2";
static const CLAP_CONSTEXPR char CLAP_EXT_ARA_PLUGINEXTENSION[] =
    "org.ara-audio.ara.pluginextension/2";

#ifdef __cplusplus
extern "C" {
#endif

/* ARA factory of a module; owned by the module, read-only, valid until the last deinit of the
   entry. Callable from any thread. */
typedef struct clap_ara_factory {
    uint32_t(CLAP_ABI* get_factory_count)(const struct clap_ara_factory* factory);

    /* The ARA factory record at index, or null. */
    const void*(CLAP_ABI* get_ara_factory)(const struct clap_ara_factory* factory, uint32_t index);

    /* The id of the CLAP plug-in that the ARA factory at index belongs to. */
    const char*(CLAP_ABI* get_plugin_id)(const struct clap_ara_factory* factory, uint32_t index);
} clap_ara_factory_t;

/* Plug-in ARA table; owned by the plug-in, called on the main thread. */
typedef struct clap_ara_plugin_extension {
    /* The ARA factory record of this plug-in. */
    const void*(CLAP_ABI* get_factory)(const clap_plugin_t* plugin);

    /* Binds the instance to an ARA document controller in the given roles; returns the ARA
       plug-in extension instance record, or null. */
    const void*(CLAP_ABI* bind_to_document_controller)(const clap_plugin_t* plugin,
                                                       void* document_controller_ref,
                                                       uint32_t known_roles,
                                                       uint32_t assigned_roles);
} clap_ara_plugin_extension_t;

#ifdef __cplusplus
}
#endif
