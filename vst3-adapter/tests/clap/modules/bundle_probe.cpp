// A module that holds the library code and an entry of its own, as the VST3 bundle does. The
// test places copies of it inside and outside a bundle's "Contents" and asks each what a
// library made there finds.
#include <string>
#include <string_view>

#include "clap/library.hpp"
#include "clap/search_paths.hpp"

namespace {

int inits = 0;
int deinits = 0;
std::string initPath;

const clap_plugin_descriptor_t descriptor{CLAP_VERSION, "test.bundled", "Bundled", nullptr,
                                          nullptr,      nullptr,        nullptr,   nullptr,
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

extern "C" {

// One line per fact: the bundle path, whether a library made here finds an entry, its plug-in
// ids, the path its entry was initialised with, the init and deinit counts once it is gone,
// and the first system search folder.
CLAP_EXPORT const char* bundle_probe() {
    static std::string report;
    report = "bundle " + Clap::sharedLibraryBundlePath().string() + "\n";
    {
        Clap::Library library;
        report += std::string("entry ") + (library.hasEntryPoint() ? "yes" : "no") + "\n";
        for (const clap_plugin_descriptor_t* d : library.plugins()) {
            report += std::string("plugin ") + d->id + "\n";
        }
    }
    report += "init path " + initPath + "\n";
    report += "inits " + std::to_string(inits) + " deinits " + std::to_string(deinits) + "\n";
    report += "first search folder " + Clap::getMacCLAPSearchPaths().front().string() + "\n";
    return report.c_str();
}
}
