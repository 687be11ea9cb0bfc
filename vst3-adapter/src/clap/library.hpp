#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include <clap/ara.h>
#include <clap/entry.h>
#include <clap/plugin-factory.h>
#include <clap/plugin-info-as-aax.h>
#include <clap/plugin-info-as-auv2.h>
#include <clap/plugin-info-as-vst3.h>

namespace Clap {

// The CLAP entry behind the adapter: the entry record, its plug-in factory, the optional
// factories that describe the plug-ins for other formats, and the descriptors that may be
// instantiated. The entry is this module's own `clap_entry` when it has one, or one given to
// useStaticEntry, or one loaded from a .clap file. Thread: main thread. Owner: the VST3 module
// (one per process); it keeps the entry initialised, and the module it came from loaded, until
// it is destroyed or given another entry.
class Library {
  public:
    // Looks for `clap_entry` in this module when the module sits in a bundle's "Contents".
    Library();
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Takes an entry linked into the program, unless it is the one already set up. A null path
    // stands for "".
    void useStaticEntry(const clap_plugin_entry_t* entry, const char* path);

    // Loads the .clap file at path and takes its `clap_entry`, dropping the entry held before.
    // True when an entry was found.
    bool load(const std::filesystem::path& path);

    // Initialises the held entry with path and collects its factories and compatible
    // descriptors. Does nothing when the entry is already initialised.
    void setupPluginsFromPluginEntry(const char* path);

    bool hasEntryPoint() const { return handle_ != nullptr || hasStaticEntry_; }

    const clap_plugin_entry_t* entry() const { return entry_; }
    const clap_plugin_factory_t* pluginFactory() const { return pluginFactory_; }
    const clap_plugin_factory_as_vst3_t* vst3InfoFactory() const { return vst3InfoFactory_; }
    bool vst3InfoIsVersion1() const { return vst3InfoIsVersion1_; }
    const clap_plugin_factory_as_auv2_t* auv2InfoFactory() const { return auv2InfoFactory_; }
    const clap_plugin_factory_as_aax_t* aaxInfoFactory() const { return aaxInfoFactory_; }
    const clap_ara_factory_t* araFactory() const { return araFactory_; }

    // The compatible descriptors in factory order; positions may differ from factory indices.
    const std::vector<const clap_plugin_descriptor_t*>& plugins() const { return plugins_; }

    // The VST3 class of the plug-in at factory index, or null.
    const clap_plugin_info_as_vst3_t* get_vst3_info(uint32_t index) const;
    // The VST3 compatibility JSON text (version 1 of the factory only), or null.
    const char* get_vst3_compatibility() const;
    // The AAX description of the plug-in at index, or null.
    const void* get_aax_info(uint32_t index) const;

  private:
    // Deinitialises the entry when it was initialised, closes the module and forgets both.
    void release();

    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_factory_t* pluginFactory_ = nullptr;
    const clap_plugin_factory_as_vst3_t* vst3InfoFactory_ = nullptr;
    bool vst3InfoIsVersion1_ = false;
    const clap_plugin_factory_as_auv2_t* auv2InfoFactory_ = nullptr;
    const clap_plugin_factory_as_aax_t* aaxInfoFactory_ = nullptr;
    const clap_ara_factory_t* araFactory_ = nullptr;
    std::vector<const clap_plugin_descriptor_t*> plugins_;
    void* handle_ = nullptr;  // the dlopen handle of a loaded .clap; none for our own entry
    bool hasStaticEntry_ = false;
    bool initialised_ = false;  // init answered true; deinit is owed
};

}  // namespace Clap
