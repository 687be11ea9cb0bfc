/* Sizes of the fixed character arrays in the ABI's records. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum {
    /* Names shown to the user (port names and the like), terminator included. */
    CLAP_NAME_SIZE = 256,
    /* Paths, as in a parameter's module path, terminator included. */
    CLAP_PATH_SIZE = 1024,
};

#ifdef __cplusplus
}
#endif
