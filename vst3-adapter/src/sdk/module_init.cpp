#include "sdk/module_init.hpp"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace Steinberg {

namespace {

struct Registered {
    ModuleInitPriority priority;
    ModuleInitFunction function;
};

// Function-local, so registrations from other units' static objects find them built.
std::vector<Registered>& initializers() {
    static std::vector<Registered> list;
    return list;
}

std::vector<Registered>& terminators() {
    static std::vector<Registered> list;
    return list;
}

void runAll(std::vector<Registered> list) {
    std::stable_sort(list.begin(), list.end(), [](const Registered& a, const Registered& b) {
        return a.priority < b.priority;
    });
    for (const Registered& each : list) {
        if (each.function) {
            each.function();
        }
    }
}

std::mutex entryLock;
int entryCount = 0;

}  // namespace

ModuleInitializer::ModuleInitializer(ModuleInitFunction&& function, ModuleInitPriority priority) {
    initializers().push_back({priority, std::move(function)});
}

ModuleTerminator::ModuleTerminator(ModuleInitFunction&& function, ModuleInitPriority priority) {
    terminators().push_back({priority, std::move(function)});
}

}  // namespace Steinberg

// Nothing unwinds into the host: a throwing initialiser fails the entry (it stays closed), a
// throwing terminator fails the exit (it is closed all the same).
bool bundleEntry(void*) {
    using namespace Steinberg;
    const std::lock_guard guard(entryLock);
    if (entryCount++ == 0) {
        try {
            runAll(initializers());
        } catch (...) {
            entryCount = 0;
            return false;
        }
    }
    return true;
}

bool bundleExit() {
    using namespace Steinberg;
    const std::lock_guard guard(entryLock);
    if (entryCount == 0) {
        return false;
    }
    if (--entryCount == 0) {
        try {
            runAll(terminators());
        } catch (...) {
            return false;
        }
    }
    return true;
}
