/* Everything of the CLAP ABI that this project declares. */
#pragma once

#include "entry.h"
#include "plugin-factory.h"
#include "plugin-features.h"
#include "plugin-info-as-auv2.h"

#include "ext/audio-ports.h"
#include "ext/gui.h"
#include "ext/log.h"
#include "ext/note-ports.h"
#include "ext/state.h"
