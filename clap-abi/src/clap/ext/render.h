/* Whether the plug-in renders in real time or offline. */
#pragma once

#include "../plugin.h"

static const CLAP_CONSTEXPR char CLAP_EXT_RENDER[] = "clap.render";

#ifdef __cplusplus
extern "C" {
#endif

enum {
    /* Processing keeps pace with the audio device. */
    CLAP_RENDER_REALTIME = 0,
    /* Processing runs as fast as it can, as in an export. */
    CLAP_RENDER_OFFLINE = 1,
};
typedef int32_t clap_plugin_render_mode;

/* Plug-in render table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_render {
    /* True when the plug-in cannot render offline. */
    bool(CLAP_ABI* has_hard_realtime_requirement)(const clap_plugin_t* plugin);

    /* Switches the render mode; true when the plug-in accepted it. */
    bool(CLAP_ABI* set)(const clap_plugin_t* plugin, clap_plugin_render_mode mode);
} clap_plugin_render_t;

#ifdef __cplusplus
}
#endif
