/* The factory an AAX wrapper asks for a module's AAX descriptions. They are only passed along
   here, so the record stays untyped. */
#pragma once

#include "private/macros.h"
#include "private/std.h"

static const CLAP_CONSTEXPR char CLAP_PLUGIN_FACTORY_INFO_AAX[] =
    "clap.plugin-factory-info-as-aax/1";

#ifdef __cplusplus
extern "C" {
#endif

/* AAX information factory; owned by the module, read-only, valid until the last deinit of the
   entry. Callable from any thread. */
typedef struct clap_plugin_factory_as_aax {
    /* The AAX description of the plug-in at index, or null. */
    const void*(CLAP_ABI* get_aax_info)(const struct clap_plugin_factory_as_aax* factory,
                                        uint32_t index);
} clap_plugin_factory_as_aax_t;

#ifdef __cplusplus
}
#endif
