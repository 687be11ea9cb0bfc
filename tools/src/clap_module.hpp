// A CLAP module opened with the dynamic loader, its entry initialised.
#pragma once

#include <memory>
#include <string>

#include "clap/clap.h"

namespace ondrix_tools {

// Owned by the host's main thread. The destructor deinitialises the entry and closes the module;
// every plug-in instance made from it must be destroyed first.
class ClapModule {
  public:
    // Opens the file at path, finds its `clap_entry` and calls its init with the path. Null with
    // the reason in error when any of this fails.
    static std::unique_ptr<ClapModule> load(const std::string& path, std::string& error);

    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const clap_plugin_entry_t& entry() const { return *entry_; }

    // The module's plug-in factory, or null when it has none.
    const clap_plugin_factory_t* plugin_factory() const;

  private:
    ClapModule(void* handle, const clap_plugin_entry_t* entry) : handle_(handle), entry_(entry) {}

    void* handle_;
    const clap_plugin_entry_t* entry_;
};

}  // namespace ondrix_tools
