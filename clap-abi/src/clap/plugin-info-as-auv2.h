/* The factory an Audio Unit wrapper asks for the four-character codes under which it publishes
   a module's plug-ins. */
#pragma once

#include "private/macros.h"
#include "private/std.h"

static const CLAP_CONSTEXPR char CLAP_PLUGIN_FACTORY_INFO_AUV2[] =
    "clap.plugin-factory-info-as-auv2.draft0";

#ifdef __cplusplus
extern "C" {
#endif

/* The Audio Unit codes of one plug-in; the caller owns the record and the factory fills it. */
typedef struct clap_plugin_info_as_auv2 {
    char au_type[5]; /* four characters and a NUL, e.g. "aumu", "aufx" or "aumi" */
    char au_subt[5]; /* four characters and a NUL */
} clap_plugin_info_as_auv2_t;

/* Audio Unit information factory; owned by the module, read-only, valid until the last deinit
   of the entry. */
typedef struct clap_plugin_factory_as_auv2 {
    const char* manufacturer_code; /* four characters, the 'manu' code */
    const char* manufacturer_name; /* the manufacturer's display name */

    /* Fills info for the plug-in at index; false keeps that plug-in from being published. */
    bool(CLAP_ABI* get_auv2_info)(const struct clap_plugin_factory_as_auv2* factory, uint32_t index,
                                  clap_plugin_info_as_auv2_t* info);
} clap_plugin_factory_as_auv2_t;

#ifdef __cplusplus
}
#endif
