#include "clap_module.hpp"

#include <dlfcn.h>

namespace ondrix_tools {

std::unique_ptr<ClapModule> ClapModule::load(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = "Couldn't open the module '" + path + "': " + (reason ? reason : "unknown error");
        return nullptr;
    }
    const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(handle, "clap_entry"));
    if (entry == nullptr) {
        error = "The module '" + path + "' exports no clap_entry";
        dlclose(handle);
        return nullptr;
    }
    if (!clap_version_is_compatible(entry->clap_version)) {
        error = "The module '" + path + "' declares an incompatible CLAP version " +
                std::to_string(entry->clap_version.major) + "." +
                std::to_string(entry->clap_version.minor) + "." +
                std::to_string(entry->clap_version.revision);
        dlclose(handle);
        return nullptr;
    }
    if (entry->init == nullptr || entry->deinit == nullptr || entry->get_factory == nullptr) {
        error = "The module '" + path + "' has an incomplete clap_entry";
        dlclose(handle);
        return nullptr;
    }
    if (!entry->init(path.c_str())) {
        error = "The module '" + path + "' refused to initialise its entry";
        dlclose(handle);
        return nullptr;
    }
    return std::unique_ptr<ClapModule>(new ClapModule(handle, entry));
}

ClapModule::~ClapModule() {
    entry_->deinit();
    dlclose(handle_);
}

const clap_plugin_factory_t* ClapModule::plugin_factory() const {
    return static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
}

}  // namespace ondrix_tools
