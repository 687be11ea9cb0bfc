// A .clap module for the loading tests: its entry counts init and deinit calls and offers a
// plug-in factory with one descriptor. The test reads the counts through the module's own
// exported functions, so each loaded copy counts for itself.
#include <string_view>

#include <clap/clap.h>

namespace {

int inits = 0;
int deinits = 0;

const clap_plugin_descriptor_t descriptor{CLAP_VERSION, "test.counting", "Counting", nullptr,
                                          nullptr,      nullptr,         nullptr,    nullptr,
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

bool init(const char*) {
    ++inits;
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

extern "C" {
CLAP_EXPORT int counting_module_inits() {
    return inits;
}
CLAP_EXPORT int counting_module_deinits() {
    return deinits;
}
}
