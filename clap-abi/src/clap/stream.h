/* Byte streams through which a plug-in saves and loads its state. */
#pragma once

#include "private/macros.h"
#include "private/std.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A stream the plug-in reads; owned by the host, valid for one state load on the main thread. */
typedef struct clap_istream {
    void* ctx; /* reserved for the host */

    /* Reads up to size bytes into buffer: the number read, 0 at the end, negative on error. */
    int64_t(CLAP_ABI* read)(const struct clap_istream* stream, void* buffer, uint64_t size);
} clap_istream_t;

/* A stream the plug-in writes; owned by the host, valid for one state save on the main thread. */
typedef struct clap_ostream {
    void* ctx; /* reserved for the host */

    /* Writes up to size bytes from buffer: the number written, negative on error. */
    int64_t(CLAP_ABI* write)(const struct clap_ostream* stream, const void* buffer, uint64_t size);
} clap_ostream_t;

#ifdef __cplusplus
}
#endif
