// The layout facts of our own CLAP declarations.
#include "abi_facts.hpp"
#include "clap/clap.h"

namespace clap_abi_testing {

AbiFacts our_abi_facts() {
    AbiFacts facts;
#include "collect_abi_facts.inc"
    return facts;
}

}  // namespace clap_abi_testing
