/* Musical and real time as signed 64-bit fixed point with 31 fraction bits. */
#pragma once

#include "private/macros.h"
#include "private/std.h"

static const CLAP_CONSTEXPR int64_t CLAP_BEATTIME_FACTOR = 1LL << 31;
static const CLAP_CONSTEXPR int64_t CLAP_SECTIME_FACTOR = 1LL << 31;

/* Beats times CLAP_BEATTIME_FACTOR. */
typedef int64_t clap_beattime;
/* Seconds times CLAP_SECTIME_FACTOR. */
typedef int64_t clap_sectime;
