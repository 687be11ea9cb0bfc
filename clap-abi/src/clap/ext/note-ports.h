/* The plug-in's note ports. */
#pragma once

#include "../plugin.h"
#include "../string-sizes.h"

static const CLAP_CONSTEXPR char CLAP_EXT_NOTE_PORTS[] = "clap.note-ports";

#ifdef __cplusplus
extern "C" {
#endif

enum clap_note_dialect {
    /* CLAP note events. */
    CLAP_NOTE_DIALECT_CLAP = 1 << 0,
    /* MIDI 1.0 events. */
    CLAP_NOTE_DIALECT_MIDI = 1 << 1,
    /* MIDI 1.0 with polyphonic expression. */
    CLAP_NOTE_DIALECT_MIDI_MPE = 1 << 2,
    /* MIDI 2.0 events. */
    CLAP_NOTE_DIALECT_MIDI2 = 1 << 3,
};

/* Describes one note port; the host owns the record and the plug-in fills it. */
typedef struct clap_note_port_info {
    clap_id id;
    uint32_t supported_dialects; /* bit set of clap_note_dialect */
    uint32_t preferred_dialect;  /* one clap_note_dialect */
    char name[CLAP_NAME_SIZE];   /* display name, NUL-terminated */
} clap_note_port_info_t;

/* Plug-in note-ports table; owned by the plug-in, called on the main thread. */
typedef struct clap_plugin_note_ports {
    uint32_t(CLAP_ABI* count)(const clap_plugin_t* plugin, bool is_input);

    /* Fills info for the port at index; false when there is no such port. */
    bool(CLAP_ABI* get)(const clap_plugin_t* plugin, uint32_t index, bool is_input,
                        clap_note_port_info_t* info);
} clap_plugin_note_ports_t;

enum {
    /* The ports changed entirely; the host must rescan them all. */
    CLAP_NOTE_PORTS_RESCAN_ALL = 1 << 0,
    /* Only the names changed. */
    CLAP_NOTE_PORTS_RESCAN_NAMES = 1 << 1,
};

/* Host note-ports table; owned by the host, called on the main thread. */
typedef struct clap_host_note_ports {
    /* The dialects the host understands, a bit set of clap_note_dialect. */
    uint32_t(CLAP_ABI* supported_dialects)(const clap_host_t* host);
    void(CLAP_ABI* rescan)(const clap_host_t* host, uint32_t flags);
} clap_host_note_ports_t;

#ifdef __cplusplus
}
#endif
