// A module that holds the library code and an entry of its own, as the VST3 bundle does. The
// test places copies of it inside and outside a bundle's "Contents" and asks each what a
// library made there finds.
#include <string>

#include "clap/library.hpp"
#include "clap/search_paths.hpp"
#include "module_entry.hpp"

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
