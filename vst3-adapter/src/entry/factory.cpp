#include "entry/factory.hpp"

#include "clap/search_paths.hpp"
#include "entry/class_info.hpp"
#include "entry/companions.hpp"
#include "helpers/categories.hpp"
#include "helpers/class_id.hpp"
#include "os/log.hpp"
#include "os/paths.hpp"

#include <array>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>

#include <fmt/format.h>

namespace Vst3Adapter {

namespace {

using Steinberg::CPluginFactory;
using Steinberg::int32;
using Steinberg::PClassInfo2;

constexpr const char* kAudioModuleClass = "Audio Module Class";
constexpr const char* kAraMainFactoryClass = "ARA Main Factory Class";
constexpr const char* kCompatibilityClass = "Plugin Compatibility Class";
constexpr const char* kUnspecifiedVendor = "Unspecified Vendor";
// No contact address is made up for the vendor; the CLAP side may give one.
constexpr const char* kDefaultEmail = "";

using Cid = std::array<char, 16>;

// The log lines of one of the module's functions: each names that function, with the file and
// line where the module called in.
class FunctionLog {
public:
    FunctionLog(const std::source_location& caller, const char* function)
        : caller_(caller), function_(function) {}

    template <typename... Args>
    void operator()(fmt::format_string<Args...> format, Args&&... args) const {
        os::logWithLocation(caller_.file_name(), static_cast<int>(caller_.line()), function_,
                            format, std::forward<Args>(args)...);
    }

private:
    std::source_location caller_;
    const char* function_;
};

Cid idOfName(std::string_view name) {
    const Crypto::Uuid uuid = Crypto::create_sha1_guid_from_name(name.data(), name.size());
    Cid cid;
    std::memcpy(cid.data(), &uuid, cid.size());
    return cid;
}

Cid comCompatible(Cid cid) {
    detail::makeCIDComCompatible(cid);
    return cid;
}

// "7B 9A6A98F5 C0AB5BBC 97607C93 87BB0D": a blank after bytes 0, 4, 8 and 12.
std::string idText(const Cid& cid) {
    std::string text;
    for (std::size_t i = 0; i < cid.size(); ++i) {
        text += fmt::format("{:02X}", static_cast<unsigned char>(cid[i]));
        if (i == 0 || i == 4 || i == 8 || i == 12) {
            text += ' ';
        }
    }
    return text;
}

const char* orEmpty(const char* text) {
    return text != nullptr ? text : "";
}

void registerClass(const ModuleFactoryState& module, CPluginFactory& factory, int32 index,
                   const Cid& cid, const detail::ClassTexts& texts) {
    auto context = std::make_shared<CreationContext>();
    context->library = &module.library;
    context->index = index;
    context->classinfo = detail::makeClassInfo(reinterpret_cast<const char*>(cid.data()), texts);
    module.contexts.push_back(context);
    factory.registerClass(&context->classinfo, module.create, context.get());
}

void registerAudioModules(const ModuleFactoryState& module, CPluginFactory& factory,
                          const FunctionLog& log) {
    const auto& plugins = module.library.plugins();
    for (std::size_t i = 0; i < plugins.size(); ++i) {
        const clap_plugin_descriptor_t& descriptor = *plugins[i];
        log("  plugin #{}: '{}'", i, descriptor.name);
        const char* vendor = descriptor.vendor != nullptr && descriptor.vendor[0] != '\0'
                                 ? descriptor.vendor
                                 : kUnspecifiedVendor;
        const clap_plugin_info_as_vst3_t* vst3 =
            module.library.get_vst3_info(static_cast<uint32_t>(i));
        if (vst3 != nullptr && vst3->vendor != nullptr) {
            log("  plugin supports extension '{}'", CLAP_PLUGIN_AS_VST3);
            vendor = vst3->vendor;
        }
        Cid cid;
        if (vst3 != nullptr && vst3->component_id != nullptr) {
            std::memcpy(cid.data(), vst3->component_id, cid.size());
        } else {
            cid = idOfName(descriptor.id);
        }
        const std::string subCategories = vst3 != nullptr && vst3->features != nullptr
                                              ? std::string(vst3->features)
                                              : detail::clapCategoriesToVST3(descriptor.features);
        log("plugin id: {} -> {}", descriptor.id, idText(cid));
        registerClass(module, factory, static_cast<int32>(i), comCompatible(cid),
                      {kAudioModuleClass, descriptor.name, subCategories.c_str(), vendor,
                       orEmpty(descriptor.version)});
    }
}

void registerCompatibility(const ModuleFactoryState& module, CPluginFactory& factory,
                           const char* vendor, const FunctionLog& log) {
    const char* json = module.library.get_vst3_compatibility();
    if (json == nullptr || json[0] == '\0') {
        return;
    }
    log("registering IPluginCompatibility class");
    const std::string name = std::string(module.library.plugins().front()->id) + "-compatibility";
    registerClass(module, factory, 0, comCompatible(idOfName(name)),
                  {kCompatibilityClass, "Compatibility", "", vendor, ""});
}

void registerAra(const ModuleFactoryState& module, CPluginFactory& factory,
                 const FunctionLog& log) {
    const clap_ara_factory_t* ara = module.library.araFactory();
    if (ara == nullptr) {
        return;
    }
    log("creating ARA companion factories");
    const uint32_t count = ara->get_factory_count != nullptr ? ara->get_factory_count(ara) : 0;
    for (uint32_t k = 0; k < count; ++k) {
        const char* id = ara->get_plugin_id != nullptr ? ara->get_plugin_id(ara, k) : nullptr;
        log("number of ARA plugins: {}", count);
        if (id == nullptr) {
            continue;
        }
        for (const clap_plugin_descriptor_t* descriptor : module.library.plugins()) {
            if (std::strcmp(descriptor->id, id) != 0) {
                continue;
            }
            registerClass(module, factory, static_cast<int32>(k),
                          comCompatible(idOfName(std::string(id) + "-ARA")),
                          {kAraMainFactoryClass, descriptor->name, "", "",
                           orEmpty(descriptor->version)});
            break;
        }
    }
}

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool tryCandidate(Clap::Library& library, const std::filesystem::path& candidate,
                  const FunctionLog& log) {
    log("scanning for binary: {}", candidate.string());
    return isFile(candidate) && library.load(candidate);
}

// The object of the class `creation` describes, or null.
Steinberg::FUnknown* createClassInstance(CreationContext* creation, AudioModuleFunction audioModule,
                                         const FunctionLog& log) {
    if (creation == nullptr) {
        return nullptr;
    }
    const PClassInfo2& info = creation->classinfo;
    const std::string_view category = info.category;
    Clap::Library* library = creation->library;
    const bool hasEntry = library != nullptr && library->hasEntryPoint();
    if (category == kAudioModuleClass) {
        log("creating plugin {} (#{})", info.name, creation->index);
        if (hasEntry && audioModule != nullptr) {
            return audioModule(library, creation->index, creation);
        }
    } else if (category == kAraMainFactoryClass) {
        log("creating ARAMainFactory {} (#{})", info.name, creation->index);
        const clap_ara_factory_t* ara = hasEntry ? library->araFactory() : nullptr;
        if (ara != nullptr && ara->get_ara_factory != nullptr) {
            return new ARAMainFactory(
                ara->get_ara_factory(ara, static_cast<uint32_t>(creation->index)),
                Steinberg::FUID::fromTUID(info.cid));
        }
    } else if (category == kCompatibilityClass) {
        log("creating PluginCompatibility {} (#{})", info.name, creation->index);
        const char* json = library != nullptr ? library->get_vst3_compatibility() : nullptr;
        if (json != nullptr) {
            return new PluginCompatibility(json);
        }
    }
    return nullptr;
}

}  // namespace

bool findPlugin(Clap::Library& library, const std::string& name, std::source_location caller) {
    const FunctionLog log(caller, "findPlugin");
    const std::string parentFolder = os::getParentFolderName();
    for (const std::filesystem::path& folder : Clap::getValidCLAPSearchPaths()) {
        std::error_code error;
        if (!std::filesystem::exists(folder, error)) {
            continue;
        }
        if (tryCandidate(library, folder / name, log) ||
            tryCandidate(library, folder / parentFolder / name, log)) {
            return true;
        }
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (tryCandidate(library, it->path() / name, log)) {
                return true;
            }
        }
    }
    return false;
}

Steinberg::IPluginFactory* getPluginFactory(const ModuleFactoryState& module,
                                            std::source_location caller) {
    const FunctionLog log(caller, "GetPluginFactoryEntryPoint");
    Clap::Library& library = module.library;
    // Whenever a factory is to be built, say where its CLAP entry came from, or find one.
    if (library.pluginFactory() == nullptr || Steinberg::gPluginFactory == nullptr) {
        if (library.hasEntryPoint()) {
            log("detected entrypoint in this binary");
        } else if (!findPlugin(library, os::getBinaryName() + ".clap", caller)) {
            return nullptr;
        }
    }
    const auto& plugins = library.plugins();
    if (plugins.empty()) {
        log("no plugin has been found");
        return nullptr;
    }
    if (!clap_version_is_compatible(plugins.front()->clap_version)) {
        log("CLAP version is not compatible");
        return nullptr;
    }
    if (Steinberg::gPluginFactory != nullptr) {
        Steinberg::gPluginFactory->addRef();
        return Steinberg::gPluginFactory;
    }

    const clap_plugin_descriptor_t& first = *plugins.front();
    const char* vendor = first.vendor != nullptr ? first.vendor : kUnspecifiedVendor;
    const char* url = orEmpty(first.url);
    const char* email = kDefaultEmail;
    if (const clap_plugin_factory_as_vst3_t* vst3 = library.vst3InfoFactory()) {
        log("detected extension `{}`", library.vst3InfoIsVersion1()
                                           ? CLAP_PLUGIN_FACTORY_INFO_VST3
                                           : CLAP_PLUGIN_FACTORY_INFO_VST3_V0);
        vendor = vst3->vendor != nullptr ? vst3->vendor : vendor;
        url = vst3->vendor_url != nullptr ? vst3->vendor_url : url;
        email = vst3->email_contact != nullptr ? vst3->email_contact : email;
    }
    if (!module.factoryInfo) {
        module.factoryInfo = detail::makeFactoryInfo(vendor, url, email);
    }
    log("created factory for vendor '{}'", vendor);
    auto* factory = new CPluginFactory(*module.factoryInfo);
    Steinberg::gPluginFactory = factory;

    module.contexts.clear();
    module.contexts.reserve(plugins.size());
    log("number of plugins in factory: {}", plugins.size());
    registerAudioModules(module, *factory, log);
    registerCompatibility(module, *factory, vendor, log);
    registerAra(module, *factory, log);
    return factory;
}

Steinberg::FUnknown* createInstance(void* context, AudioModuleFunction audioModule,
                                    std::source_location caller) {
    // Called from the factory's createInstance: nothing may unwind into the host.
    try {
        return createClassInstance(static_cast<CreationContext*>(context), audioModule,
                                   FunctionLog(caller, "ClapAsVst3::createInstance"));
    } catch (...) {
        return nullptr;
    }
}

}  // namespace Vst3Adapter
