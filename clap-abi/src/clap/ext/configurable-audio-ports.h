/* Lets the host ask the plug-in to change its audio ports' channels. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_CONFIGURABLE_AUDIO_PORTS[] =
    "clap.configurable-audio-ports/1";
/* The draft's identifier, which older plug-ins answer. */
static const CLAP_CONSTEXPR char CLAP_EXT_CONFIGURABLE_AUDIO_PORTS_COMPAT[] =
    "clap.configurable-audio-ports.draft1";

#ifdef __cplusplus
extern "C" {
#endif

/* One port's wished-for layout; owned by the host for the duration of the call. */
typedef struct clap_audio_port_configuration_request {
    bool is_input;
    uint32_t port_index; /* index within its direction */
    uint32_t channel_count;
    const char* port_type;    /* a CLAP_PORT type, or null */
    const void* port_details; /* type-specific details, or null */
} clap_audio_port_configuration_request_t;

/* Plug-in configurable-ports table; owned by the plug-in, called on the main thread while the
   plug-in is deactivated. */
typedef struct clap_plugin_configurable_audio_ports {
    /* Whether the whole set of requests could be applied. */
    bool(CLAP_ABI* can_apply_configuration)(
        const clap_plugin_t* plugin, const struct clap_audio_port_configuration_request* requests,
        uint32_t request_count);

    /* Applies the whole set or nothing; true when it was applied. */
    bool(CLAP_ABI* apply_configuration)(
        const clap_plugin_t* plugin, const struct clap_audio_port_configuration_request* requests,
        uint32_t request_count);
} clap_plugin_configurable_audio_ports_t;

#ifdef __cplusplus
}
#endif
