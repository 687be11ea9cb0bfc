/* The order in which an Audio Unit wrapper lists the plug-in's parameters. Its table is only
   passed along here, never called, so it stays an opaque record. */
#pragma once

#include "../private/macros.h"

static const CLAP_CONSTEXPR char CLAP_EXT_AUV2_PARAM_ORDERING[] =
    "clap.plugin-auv2-param-ordering/0";

#ifdef __cplusplus
extern "C" {
#endif

typedef struct clap_plugin_auv2_param_ordering clap_plugin_auv2_param_ordering_t;

#ifdef __cplusplus
}
#endif
