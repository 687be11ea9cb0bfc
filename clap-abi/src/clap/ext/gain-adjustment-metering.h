/* The gain the plug-in currently applies, for a host's gain-reduction meter. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_GAIN_ADJUSTMENT_METERING[] =
    "clap.gain-adjustment-metering/0";

#ifdef __cplusplus
extern "C" {
#endif

/* Plug-in metering table; owned by the plug-in, called on the audio thread. */
typedef struct clap_plugin_gain_adjustment_metering {
    /* The gain change in decibels over the last block; 0 when none, negative when reducing. */
    double(CLAP_ABI* get)(const clap_plugin_t* plugin);
} clap_plugin_gain_adjustment_metering_t;

#ifdef __cplusplus
}
#endif
