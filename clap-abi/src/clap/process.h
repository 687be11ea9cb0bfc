/* What one process call hands the plug-in. */
#pragma once

#include "audio-buffer.h"
#include "events.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    /* Processing failed; the output buffers must be discarded. */
    CLAP_PROCESS_ERROR = 0,
    /* Processing succeeded; keep processing. */
    CLAP_PROCESS_CONTINUE = 1,
    /* Processing succeeded; keep processing while the input is not quiet. */
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    /* Rely on the plug-in's tail to decide when to stop. */
    CLAP_PROCESS_TAIL = 3,
    /* Processing succeeded and may sleep until the next event or non-quiet input. */
    CLAP_PROCESS_SLEEP = 4,
};
typedef int32_t clap_process_status;

/* One block of processing; owned by the host, valid for one process call on the audio thread. */
typedef struct clap_process {
    /* A running sample counter, or -1 when the host has none. */
    int64_t steady_time;

    /* Number of frames in every buffer of this block. */
    uint32_t frames_count;

    /* The transport at the block's first frame, or null (free running). */
    const clap_event_transport_t* transport;

    const clap_audio_buffer_t* audio_inputs;
    clap_audio_buffer_t* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;

    /* Input events sorted by time; output events must be pushed sorted by time too. */
    const clap_input_events_t* in_events;
    const clap_output_events_t* out_events;
} clap_process_t;

#ifdef __cplusplus
}
#endif
