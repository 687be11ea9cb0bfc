/* Events that travel into and out of a plug-in within one process call. Every event lives in an
   event list of one process call: owned by whoever made the list, read or written on the audio
   thread during that call. */
#pragma once

#include "fixedpoint.h"
#include "id.h"
#include "private/macros.h"
#include "private/std.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Starts every event; size is the whole event's size in bytes, time its frame within the
   block. Events are owned by whoever made the list they sit in. */
typedef struct clap_event_header {
    uint32_t size;
    uint32_t time;
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
} clap_event_header_t;

/* The event space of the event types below. */
static const CLAP_CONSTEXPR uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

enum clap_event_flags {
    /* The event comes from a live performance, not from a recording. */
    CLAP_EVENT_IS_LIVE = 1 << 0,
    /* The event must not be recorded. */
    CLAP_EVENT_DONT_RECORD = 1 << 1,
};

/* Event types of the core event space. */
enum {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};

/* Note on, off, choke and end. A field of -1 is a wildcard. */
typedef struct clap_event_note {
    clap_event_header_t header;
    int32_t note_id;
    int16_t port_index;
    int16_t channel; /* 0..15 */
    int16_t key;     /* 0..127 */
    double velocity; /* 0..1 */
} clap_event_note_t;

enum {
    CLAP_NOTE_EXPRESSION_VOLUME = 0,     /* 0 < x <= 4, as a gain factor */
    CLAP_NOTE_EXPRESSION_PAN = 1,        /* 0 left, 0.5 centre, 1 right */
    CLAP_NOTE_EXPRESSION_TUNING = 2,     /* semitones, -120..120 */
    CLAP_NOTE_EXPRESSION_VIBRATO = 3,    /* 0..1 */
    CLAP_NOTE_EXPRESSION_EXPRESSION = 4, /* 0..1 */
    CLAP_NOTE_EXPRESSION_BRIGHTNESS = 5, /* 0..1 */
    CLAP_NOTE_EXPRESSION_PRESSURE = 6,   /* 0..1 */
};
typedef int32_t clap_note_expression;

typedef struct clap_event_note_expression {
    clap_event_header_t header;
    clap_note_expression expression_id;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
} clap_event_note_expression_t;

typedef struct clap_event_param_value {
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
} clap_event_param_value_t;

typedef struct clap_event_param_mod {
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double amount;
} clap_event_param_mod_t;

typedef struct clap_event_param_gesture {
    clap_event_header_t header;
    clap_id param_id;
} clap_event_param_gesture_t;

enum clap_transport_flags {
    CLAP_TRANSPORT_HAS_TEMPO = 1 << 0,
    CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1 << 1,
    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1 << 2,
    CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1 << 3,
    CLAP_TRANSPORT_IS_PLAYING = 1 << 4,
    CLAP_TRANSPORT_IS_RECORDING = 1 << 5,
    CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1 << 6,
    CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1 << 7,
};

/* The host's transport; its flags say which of the fields hold values. */
typedef struct clap_event_transport {
    clap_event_header_t header;

    uint32_t flags; /* clap_transport_flags */

    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;

    double tempo;     /* beats per minute */
    double tempo_inc; /* tempo change per sample */

    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;

    clap_beattime bar_start; /* start of the current bar */
    int32_t bar_number;      /* the first bar is 0 */

    uint16_t tsig_num;   /* time signature numerator */
    uint16_t tsig_denom; /* time signature denominator */
} clap_event_transport_t;

/* A MIDI 1.0 message of up to three bytes. */
typedef struct clap_event_midi {
    clap_event_header_t header;
    uint16_t port_index;
    uint8_t data[3];
} clap_event_midi_t;

/* A system-exclusive message; the buffer belongs to the event's owner. */
typedef struct clap_event_midi_sysex {
    clap_event_header_t header;
    uint16_t port_index;
    const uint8_t* buffer;
    uint32_t size;
} clap_event_midi_sysex_t;

/* A MIDI 2.0 universal packet. */
typedef struct clap_event_midi2 {
    clap_event_header_t header;
    uint16_t port_index;
    uint32_t data[4];
} clap_event_midi2_t;

/* The host's input events of one block; owned by the host, read on the audio thread during
   that block's process call. */
typedef struct clap_input_events {
    void* ctx; /* reserved for the host */

    uint32_t(CLAP_ABI* size)(const struct clap_input_events* list);

    /* The event at index; it stays owned by the list. */
    const clap_event_header_t*(CLAP_ABI* get)(const struct clap_input_events* list, uint32_t index);
} clap_input_events_t;

/* The host's output event list of one block; owned by the host, written on the audio thread
   during that block's process call. */
typedef struct clap_output_events {
    void* ctx; /* reserved for the host */

    /* Copies the event into the list; false when the host could not take it. */
    bool(CLAP_ABI* try_push)(const struct clap_output_events* list,
                             const clap_event_header_t* event);
} clap_output_events_t;

#ifdef __cplusplus
}
#endif
