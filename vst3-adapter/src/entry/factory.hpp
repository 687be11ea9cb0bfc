#pragma once

// The module's class factory over the CLAP side: one audio-module class per CLAP plug-in, and
// the compatibility and ARA classes when the CLAP side describes them. The module keeps the
// library, the creation contexts and the factory record (see module/vst3_entry.cpp); everything
// here works on what it is given, so a library of any entry can stand behind it.
// Threads: the host's main thread.

#include "clap/library.hpp"
#include "pluginterfaces/base/ipluginbase.h"
#include "sdk/plugin_factory.hpp"

#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <vector>

namespace Vst3Adapter {

// What the create function of one registered class needs. Owned by the module's list of
// contexts, which outlives every factory; the factory holds a raw pointer to it.
struct CreationContext {
    Clap::Library* library = nullptr;
    Steinberg::int32 index = 0;  // descriptor index; ARA entry index; 0 for compatibility
    Steinberg::PClassInfo2 classinfo;  // the record registered with the factory
};
using CreationContexts = std::vector<std::shared_ptr<CreationContext>>;

// What the module keeps for its factory, all of it as long as the module is loaded.
struct ModuleFactoryState {
    Clap::Library& library;
    CreationContexts& contexts;
    std::optional<Steinberg::PFactoryInfo>& factoryInfo;  // made once, never changed
    Steinberg::CPluginFactory::CreateFunction create;     // registered for every class
};

// The log lines below name the module's functions they belong to: GetPluginFactoryEntryPoint,
// findPlugin and ClapAsVst3::createInstance. Their file and line are `caller`'s: where the module
// asked (by default, the caller's own file and line).

// The module's factory with a reference for the caller: the one in `Steinberg::gPluginFactory`
// when it exists, else a new one built over the library, which first finds the CLAP entry (this
// module's own, or a .clap in the search folders). Null, with a log line, when there is no entry,
// no plug-in or a plug-in of an incompatible CLAP version; nothing is kept, so the next call
// tries again.
Steinberg::IPluginFactory* getPluginFactory(
    const ModuleFactoryState& module,
    std::source_location caller = std::source_location::current());

// Loads the first .clap named `name` into the library, looking in each CLAP search folder, its
// subfolder named like the folder holding this module's bundle, and each of its entries. True
// when one was loaded.
bool findPlugin(Clap::Library& library, const std::string& name,
                std::source_location caller = std::source_location::current());

// Makes the audio-module object of one class over the library's plug-in at `index`, with the
// creation reference for the caller, or null.
using AudioModuleFunction = Steinberg::FUnknown* (*)(Clap::Library* library, Steinberg::int32 index,
                                                     CreationContext* context);

// The work of the create function registered for every class; `context` is the class's
// CreationContext. An audio module comes from `audioModule`, the companions are made here.
// Null for a null context, an unknown category, or a class whose library has no entry.
Steinberg::FUnknown* createInstance(void* context, AudioModuleFunction audioModule,
                                    std::source_location caller = std::source_location::current());

}  // namespace Vst3Adapter
