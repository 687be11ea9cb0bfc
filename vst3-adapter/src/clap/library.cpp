#include "library.hpp"

#include <dlfcn.h>

#include <string>

#include "search_paths.hpp"

namespace Clap {
namespace {

constexpr const char* ENTRY_SYMBOL = "clap_entry";

bool listable(const clap_plugin_descriptor_t* descriptor) {
    return descriptor != nullptr && descriptor->id != nullptr && descriptor->name != nullptr &&
           clap_version_is_compatible(descriptor->clap_version);
}

}  // namespace

Library::Library() {
    const std::filesystem::path bundle = sharedLibraryBundlePath();
    if (bundle.empty()) return;
    // This module is loaded already, and the library lives inside it: the handle is only for
    // the look-up. Kept, it would hold the module loaded after the host closes it.
    void* handle = dlopen(sharedLibraryPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return;
    const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(handle, ENTRY_SYMBOL));
    dlclose(handle);
    if (entry == nullptr) return;
    entry_ = entry;
    hasStaticEntry_ = true;
    setupPluginsFromPluginEntry(bundle.string().c_str());
}

Library::~Library() {
    release();
}

void Library::release() {
    if (initialised_ && entry_->deinit != nullptr) entry_->deinit();
    if (handle_ != nullptr) dlclose(handle_);
    entry_ = nullptr;
    pluginFactory_ = nullptr;
    vst3InfoFactory_ = nullptr;
    vst3InfoIsVersion1_ = false;
    auv2InfoFactory_ = nullptr;
    aaxInfoFactory_ = nullptr;
    araFactory_ = nullptr;
    plugins_.clear();
    handle_ = nullptr;
    hasStaticEntry_ = false;
    initialised_ = false;
}

void Library::useStaticEntry(const clap_plugin_entry_t* entry, const char* path) {
    if (entry == nullptr || (entry == entry_ && pluginFactory_ != nullptr)) return;
    release();
    entry_ = entry;
    hasStaticEntry_ = true;
    setupPluginsFromPluginEntry(path != nullptr ? path : "");
}

bool Library::load(const std::filesystem::path& path) {
    release();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return false;
    const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(handle, ENTRY_SYMBOL));
    if (entry == nullptr) {
        // Holding a module without an entry would only claim an entry point that is not there.
        dlclose(handle);
        return false;
    }
    handle_ = handle;
    entry_ = entry;
    setupPluginsFromPluginEntry(path.string().c_str());
    return true;
}

void Library::setupPluginsFromPluginEntry(const char* path) {
    if (entry_ == nullptr || initialised_) return;
    if (!clap_version_is_compatible(entry_->clap_version) || entry_->init == nullptr) return;
    if (!entry_->init(path != nullptr ? path : "")) return;
    initialised_ = true;
    if (entry_->get_factory == nullptr) return;

    auto factory = [this](const char* id) { return entry_->get_factory(id); };
    pluginFactory_ = static_cast<const clap_plugin_factory_t*>(factory(CLAP_PLUGIN_FACTORY_ID));
    const void* vst3 = factory(CLAP_PLUGIN_FACTORY_INFO_VST3);
    vst3InfoIsVersion1_ = vst3 != nullptr;
    if (vst3 == nullptr) vst3 = factory(CLAP_PLUGIN_FACTORY_INFO_VST3_V0);
    vst3InfoFactory_ = static_cast<const clap_plugin_factory_as_vst3_t*>(vst3);
    auv2InfoFactory_ =
        static_cast<const clap_plugin_factory_as_auv2_t*>(factory(CLAP_PLUGIN_FACTORY_INFO_AUV2));
    aaxInfoFactory_ =
        static_cast<const clap_plugin_factory_as_aax_t*>(factory(CLAP_PLUGIN_FACTORY_INFO_AAX));
    araFactory_ = static_cast<const clap_ara_factory_t*>(factory(CLAP_EXT_ARA_FACTORY));

    // An entry that answers every id with one object has none of the optional factories; only
    // the AAX one is left to its reader.
    if (vst3 != nullptr && vst3 == pluginFactory_) {
        vst3InfoFactory_ = nullptr;
        vst3InfoIsVersion1_ = false;
        auv2InfoFactory_ = nullptr;
        araFactory_ = nullptr;
    }

    if (pluginFactory_ == nullptr || pluginFactory_->get_plugin_count == nullptr ||
        pluginFactory_->get_plugin_descriptor == nullptr) {
        return;
    }
    const uint32_t count = pluginFactory_->get_plugin_count(pluginFactory_);
    for (uint32_t i = 0; i < count; ++i) {
        const clap_plugin_descriptor_t* descriptor =
            pluginFactory_->get_plugin_descriptor(pluginFactory_, i);
        if (listable(descriptor)) plugins_.push_back(descriptor);
    }
}

const clap_plugin_info_as_vst3_t* Library::get_vst3_info(uint32_t index) const {
    if (vst3InfoFactory_ == nullptr || vst3InfoFactory_->get_vst3_info == nullptr) return nullptr;
    return vst3InfoFactory_->get_vst3_info(vst3InfoFactory_, index);
}

const char* Library::get_vst3_compatibility() const {
    if (vst3InfoFactory_ == nullptr || !vst3InfoIsVersion1_ ||
        vst3InfoFactory_->get_compatibility_json == nullptr) {
        return nullptr;
    }
    return vst3InfoFactory_->get_compatibility_json(vst3InfoFactory_);
}

const void* Library::get_aax_info(uint32_t index) const {
    if (aaxInfoFactory_ == nullptr || aaxInfoFactory_->get_aax_info == nullptr) return nullptr;
    return aaxInfoFactory_->get_aax_info(aaxInfoFactory_, index);
}

}  // namespace Clap
