/* The plug-in's audio ports. */
#pragma once

#include "../plugin.h"
#include "../string-sizes.h"

static const CLAP_CONSTEXPR char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
static const CLAP_CONSTEXPR char CLAP_PORT_MONO[] = "mono";
static const CLAP_CONSTEXPR char CLAP_PORT_STEREO[] = "stereo";

#ifdef __cplusplus
extern "C" {
#endif

enum {
    /* The main port of its direction; at most one per direction. */
    CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
    /* The port can take 64-bit samples. */
    CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
    /* The port prefers 64-bit samples when the host can give them. */
    CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
    /* The port must use the same sample size as every other port with this flag. */
    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3,
};

/* Describes one audio port; the host owns the record and the plug-in fills it. */
typedef struct clap_audio_port_info {
    /* Stable identifier of the port within its direction. */
    clap_id id;
    /* Display name, NUL-terminated. */
    char name[CLAP_NAME_SIZE];

    uint32_t flags;
    uint32_t channel_count;

    /* CLAP_PORT_MONO, CLAP_PORT_STEREO, an extension's type, or null when unspecified. */
    const char* port_type;

    /* The port of the other direction that may share this port's buffer, or CLAP_INVALID_ID. */
    clap_id in_place_pair;
} clap_audio_port_info_t;

/* Plug-in audio-ports table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_audio_ports {
    uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin, bool is_input);

    /* Fills info for the port at index; false when there is no such port. */
    bool(CLAP_ABI* get)(const clap_plugin_t* plugin, uint32_t index, bool is_input,
                        clap_audio_port_info_t* info);
} clap_plugin_audio_ports_t;

enum {
    CLAP_AUDIO_PORTS_RESCAN_NAMES = 1 << 0,
    CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1 << 1,
    CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1 << 2,
    CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1 << 3,
    CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1 << 4,
    CLAP_AUDIO_PORTS_RESCAN_LIST = 1 << 5,
};

/* Host audio-ports table; owned by the host, called on the main thread. */
typedef struct clap_host_audio_ports {
    bool(CLAP_ABI* is_rescan_flag_supported)(const clap_host_t* host, uint32_t flag);
    void(CLAP_ABI* rescan)(const clap_host_t* host, uint32_t flags);
} clap_host_audio_ports_t;

#ifdef __cplusplus
}
#endif
