// The layout facts of the official CLAP headers. This file is built on its own, with the
// official headers' folder as its only CLAP include root, so our declarations never meet these.
#include "abi_facts.hpp"
#include "clap/entry.h"
#include "clap/ext/audio-ports.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/note-ports.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/thread-check.h"
#include "clap/ext/timer-support.h"
#include "clap/plugin-factory.h"
#include "clap/plugin-features.h"

namespace clap_abi_testing {

AbiFacts reference_abi_facts() {
    AbiFacts facts;
#include "collect_abi_facts.inc"
    return facts;
}

}  // namespace clap_abi_testing
