/* The host's track that the plug-in sits on: its name, colour and channels. */
#pragma once

#include "../color.h"
#include "../plugin.h"
#include "../string-sizes.h"

static const CLAP_CONSTEXPR char CLAP_EXT_TRACK_INFO[] = "clap.track-info/1";

#ifdef __cplusplus
extern "C" {
#endif

enum {
    CLAP_TRACK_INFO_HAS_TRACK_NAME = 1 << 0,
    CLAP_TRACK_INFO_HAS_TRACK_COLOR = 1 << 1,
    CLAP_TRACK_INFO_HAS_AUDIO_CHANNEL = 1 << 2,
    /* The track is a return (send) track. */
    CLAP_TRACK_INFO_IS_FOR_RETURN_TRACK = 1 << 3,
    /* The track is a bus. */
    CLAP_TRACK_INFO_IS_FOR_BUS = 1 << 4,
    /* The track is the master. */
    CLAP_TRACK_INFO_IS_FOR_MASTER = 1 << 5,
};

/* What the host knows of the track; the plug-in owns the record and the host fills it. Each
   field is valid only when its flag is set. */
typedef struct clap_track_info {
    uint64_t flags; /* bit set of the CLAP_TRACK_INFO flags */

    char name[CLAP_NAME_SIZE]; /* NUL-terminated */
    clap_color_t color;

    int32_t audio_channel_count;
    const char* audio_port_type; /* a CLAP_PORT type, owned by the host */
} clap_track_info_t;

/* Plug-in track-info table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_track_info {
    /* The track's info changed; the plug-in asks for it again. */
    void(CLAP_ABI* changed)(const clap_plugin_t* plugin);
} clap_plugin_track_info_t;

/* Host track-info table; owned by the host, called on the main thread. */
typedef struct clap_host_track_info {
    /* Fills info; false when the host has none. */
    bool(CLAP_ABI* get)(const clap_host_t* host, clap_track_info_t* info);
} clap_host_track_info_t;

#ifdef __cplusplus
}
#endif
