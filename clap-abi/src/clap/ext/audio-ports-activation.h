/* Lets the host switch single audio ports on and off. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_AUDIO_PORTS_ACTIVATION[] =
    "clap.audio-ports-activation/2";
/* The draft's identifier, which older plug-ins answer. */
static const CLAP_CONSTEXPR char CLAP_EXT_AUDIO_PORTS_ACTIVATION_COMPAT[] =
    "clap.audio-ports-activation/draft-2";

#ifdef __cplusplus
extern "C" {
#endif

/* Plug-in port-activation table; owned by the plug-in. set_active runs on the main thread while
   deactivated, or on the audio thread when the plug-in allows it while processing. */
typedef struct clap_plugin_audio_ports_activation {
    bool(CLAP_ABI* can_activate_while_processing)(const clap_plugin_t* plugin);

    /* sample_size is 32 or 64 when the host knows it, else 0; false when refused. */
    bool(CLAP_ABI* set_active)(const clap_plugin_t* plugin, bool is_input, uint32_t port_index,
                               bool is_active, uint32_t sample_size);
} clap_plugin_audio_ports_activation_t;

#ifdef __cplusplus
}
#endif
