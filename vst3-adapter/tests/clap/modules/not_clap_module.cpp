// A loadable module without a CLAP entry.
#include <clap/private/macros.h>

extern "C" CLAP_EXPORT int not_clap_module() {
    return 1;
}
