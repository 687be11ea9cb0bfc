/* The factory that lists a module's plug-ins and creates their instances. */
#pragma once

#include "host.h"
#include "plugin.h"

static const CLAP_CONSTEXPR char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

#ifdef __cplusplus
extern "C" {
#endif

/* Plug-in factory: owned by the module, read-only, valid until the last deinit of the entry.
   Its functions may be called from any thread. */
typedef struct clap_plugin_factory {
    /* How many plug-in types the module holds. */
    uint32_t(CLAP_ABI* get_plugin_count)(const struct clap_plugin_factory* factory);

    /* The descriptor of the plug-in type at index, or null. Owned by the factory. */
    const clap_plugin_descriptor_t*(CLAP_ABI* get_plugin_descriptor)(
        const struct clap_plugin_factory* factory, uint32_t index);

    /* A new, not yet initialised instance of the plug-in whose id is plugin_id, or null. The
       host owns the instance and frees it with its destroy. */
    const clap_plugin_t*(CLAP_ABI* create_plugin)(const struct clap_plugin_factory* factory,
                                                  const clap_host_t* host, const char* plugin_id);
} clap_plugin_factory_t;

#ifdef __cplusplus
}
#endif
