/* Identifiers of ports, parameters and the like. */
#pragma once

#include "private/macros.h"
#include "private/std.h"

typedef uint32_t clap_id;

static const CLAP_CONSTEXPR clap_id CLAP_INVALID_ID = UINT32_MAX;
