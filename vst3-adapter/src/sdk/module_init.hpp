#pragma once

// Work the module does when the host first enters it and last leaves it. Static objects register
// functions here at load time; the first `bundleEntry` runs the initialisers and the last
// `bundleExit` the terminators, each list by ascending priority (registration order within one
// priority). Threads: registration during static initialisation; entry and exit on the host's
// main thread, serialised by a lock of their own.

#include "pluginterfaces/base/ftypes.h"

#include <functional>

namespace Steinberg {

using ModuleInitFunction = std::function<void()>;
using ModuleInitPriority = uint32;
inline constexpr ModuleInitPriority DefaultModuleInitPriority = 100;

struct ModuleInitializer {
    explicit ModuleInitializer(ModuleInitFunction&& function,
                               ModuleInitPriority priority = DefaultModuleInitPriority);
};

struct ModuleTerminator {
    explicit ModuleTerminator(ModuleInitFunction&& function,
                              ModuleInitPriority priority = DefaultModuleInitPriority);
};

}  // namespace Steinberg

// Counted: only the first entry and the matching last exit do anything. `bundle` is the host's
// handle of the module. `bundleExit` without an open entry returns false. Exported from the
// module that holds them.
extern "C" {
SMTG_EXPORT_SYMBOL bool bundleEntry(void* bundle);
SMTG_EXPORT_SYMBOL bool bundleExit();
}
