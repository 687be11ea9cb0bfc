// The VST3 module's entry points: the class factory, and the counted module entry and exit under
// this platform's names. The module's only other export is `clap_entry`, the plug-in's own entry
// record, which the library below finds in this module.
#include "clap/library.hpp"
#include "clap_as_vst3.hpp"
#include "entry/factory.hpp"
#include "pluginterfaces/base/ipluginbase.h"
#include "sdk/module_init.hpp"

#include <optional>

namespace {

// The module's factory. The library, the contexts and the factory record live until the module
// is unloaded; the factory itself until the host releases it last. The log lines of finding the
// plug-in and building the factory carry this file and the line of the call below.
Steinberg::IPluginFactory* GetPluginFactoryEntryPoint() {
    static Clap::Library gClapLibrary;
    static Vst3Adapter::CreationContexts gCreationContexts;
    static std::optional<Steinberg::PFactoryInfo> factoryInfo;
    return Vst3Adapter::getPluginFactory(
        {gClapLibrary, gCreationContexts, factoryInfo, &ClapAsVst3::createInstance});
}

}  // namespace

extern "C" {

// Nothing unwinds into the host: a failure gives no factory.
SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() {
    try {
        return GetPluginFactoryEntryPoint();
    } catch (...) {
        return nullptr;
    }
}

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle) {
    return bundleEntry(sharedLibraryHandle);
}

SMTG_EXPORT_SYMBOL bool ModuleExit() {
    return bundleExit();
}

}
