/* One audio port's samples for one block. */
#pragma once

#include "private/std.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The channels of one audio port for one process call; owned by the host and valid for that
   call only, on the audio thread. Exactly one of data32 and data64 is normally set. */
typedef struct clap_audio_buffer {
    float** data32;
    double** data64;
    uint32_t channel_count;
    /* Latency from or to the audio interface, in samples. */
    uint32_t latency;
    /* Bit n set: channel n holds one constant value for the whole block. */
    uint64_t constant_mask;
} clap_audio_buffer_t;

#ifdef __cplusplus
}
#endif
