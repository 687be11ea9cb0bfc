// A .clap module for the loading tests; the test reads its entry's counts through the functions
// below.
#include "module_entry.hpp"

extern "C" {
CLAP_EXPORT int counting_module_inits() {
    return inits;
}
CLAP_EXPORT int counting_module_deinits() {
    return deinits;
}
}
