/* The plug-in's parameters: their descriptions, values and texts. */
#pragma once

#include "../events.h"
#include "../plugin.h"
#include "../string-sizes.h"

static const CLAP_CONSTEXPR char CLAP_EXT_PARAMS[] = "clap.params";

#ifdef __cplusplus
extern "C" {
#endif

enum {
    /* Only integer values between min_value and max_value. */
    CLAP_PARAM_IS_STEPPED = 1 << 0,
    /* The value wraps around, as a phase does. */
    CLAP_PARAM_IS_PERIODIC = 1 << 1,
    /* Not shown to the user. */
    CLAP_PARAM_IS_HIDDEN = 1 << 2,
    /* Set by the plug-in only. */
    CLAP_PARAM_IS_READONLY = 1 << 3,
    /* The plug-in's bypass switch. */
    CLAP_PARAM_IS_BYPASS = 1 << 4,

    /* The host may automate the value, overall or per note id, key, channel or port. */
    CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
    CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1 << 6,
    CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1 << 7,
    CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1 << 8,
    CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1 << 9,

    /* The host may modulate the value, overall or per note id, key, channel or port. */
    CLAP_PARAM_IS_MODULATABLE = 1 << 10,
    CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1 << 11,
    CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1 << 12,
    CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1 << 13,
    CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1 << 14,

    /* A change takes effect only through process, never through flush alone. */
    CLAP_PARAM_REQUIRES_PROCESS = 1 << 15,

    /* Stepped, and every step has a name of its own (an enumeration). */
    CLAP_PARAM_IS_ENUM = 1 << 16,
};
typedef uint32_t clap_param_info_flags;

/* Describes one parameter; the host owns the record and the plug-in fills it. */
typedef struct clap_param_info {
    /* Stable across sessions: the host stores automation by it. */
    clap_id id;
    clap_param_info_flags flags;

    /* The plug-in's own shortcut to the parameter, handed back in parameter events; valid until
       the next rescan of the info. */
    void* cookie;

    char name[CLAP_NAME_SIZE];   /* display name, NUL-terminated */
    char module[CLAP_PATH_SIZE]; /* "/"-separated group path, such as "oscillators/wt1" */

    double min_value;
    double max_value;
    double default_value;
} clap_param_info_t;

/* Plug-in parameter table; owned by the plug-in, called on the main thread except flush, which
   runs on the audio thread while the plug-in is active. */
typedef struct clap_plugin_params {
    uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin);

    /* Fills param_info for the parameter at param_index; false when there is none. */
    bool(CLAP_ABI* get_info)(const clap_plugin_t* plugin, uint32_t param_index,
                             clap_param_info_t* param_info);

    bool(CLAP_ABI* get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);

    /* Writes value as the user reads it into out_buffer, NUL-terminated. */
    bool(CLAP_ABI* value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value,
                                  char* out_buffer, uint32_t out_buffer_capacity);

    bool(CLAP_ABI* text_to_value)(const clap_plugin_t* plugin, clap_id param_id,
                                  const char* param_value_text, double* out_value);

    /* Takes in parameter events and hands out its own without processing audio. */
    void(CLAP_ABI* flush)(const clap_plugin_t* plugin, const clap_input_events_t* in,
                          const clap_output_events_t* out);
} clap_plugin_params_t;

enum {
    /* The values changed. */
    CLAP_PARAM_RESCAN_VALUES = 1 << 0,
    /* The texts of the values changed. */
    CLAP_PARAM_RESCAN_TEXT = 1 << 1,
    /* Names, modules and the like changed; ids, flags and ranges did not. */
    CLAP_PARAM_RESCAN_INFO = 1 << 2,
    /* Parameters came, went or changed entirely; only while the plug-in is deactivated. */
    CLAP_PARAM_RESCAN_ALL = 1 << 3,
};
typedef uint32_t clap_param_rescan_flags;

enum {
    /* Forget everything about the parameter. */
    CLAP_PARAM_CLEAR_ALL = 1 << 0,
    /* Forget its automation. */
    CLAP_PARAM_CLEAR_AUTOMATIONS = 1 << 1,
    /* Forget its modulation. */
    CLAP_PARAM_CLEAR_MODULATIONS = 1 << 2,
};
typedef uint32_t clap_param_clear_flags;

/* Host parameter table; owned by the host. rescan and clear are called on the main thread,
   request_flush on any thread. */
typedef struct clap_host_params {
    void(CLAP_ABI* rescan)(const clap_host_t* host, clap_param_rescan_flags flags);
    void(CLAP_ABI* clear)(const clap_host_t* host, clap_id param_id, clap_param_clear_flags flags);

    /* Asks for a flush or a process call soon, so the plug-in can hand out its parameter events. */
    void(CLAP_ABI* request_flush)(const clap_host_t* host);
} clap_host_params_t;

#ifdef __cplusplus
}
#endif
