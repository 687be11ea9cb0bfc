/* The fixed-width integer, size and boolean types the ABI is written in. */
#pragma once

#include "macros.h"

#ifdef CLAP_HAS_CXX11
#include <cstdint>
#else
#include <stdint.h>
#endif

#ifdef __cplusplus
#include <cstddef>
#else
#include <stdbool.h>
#include <stddef.h>
#endif
