// The entry of the test modules, defined in each module that includes this: it counts its init
// and deinit calls, keeps the last init path and offers a plug-in factory with one descriptor,
// "test.module". Each loaded copy of a module counts for itself. Thread: the test's thread.
// Owner: the module.
#pragma once

#include <string>
#include <string_view>

#include <clap/clap.h>

namespace {

int inits = 0;
int deinits = 0;
std::string initPath;

const clap_plugin_descriptor_t descriptor{CLAP_VERSION, "test.module", "Test Module", nullptr,
                                          nullptr,      nullptr,       nullptr,       nullptr,
                                          nullptr,      nullptr};

uint32_t count(const clap_plugin_factory_t*) {
    return 1;
}
const clap_plugin_descriptor_t* describe(const clap_plugin_factory_t*, uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
const clap_plugin_t* create(const clap_plugin_factory_t*, const clap_host_t*, const char*) {
    return nullptr;
}
const clap_plugin_factory_t factory{&count, &describe, &create};

bool init(const char* path) {
    ++inits;
    initPath = path;
    return true;
}
void deinit() {
    ++deinits;
}
const void* getFactory(const char* id) {
    return std::string_view(id) == CLAP_PLUGIN_FACTORY_ID ? &factory : nullptr;
}

}  // namespace

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry{CLAP_VERSION, &init, &deinit,
                                                            &getFactory};
