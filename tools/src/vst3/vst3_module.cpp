#include "vst3/vst3_module.hpp"

#include <dlfcn.h>

#include <filesystem>

#include <fmt/format.h>

namespace ondrix_tools {

namespace {

// The binary of a bundle folder, or the path itself when it names a file.
std::filesystem::path binary_of(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) return path;
    const std::filesystem::path folder = path.has_filename() ? path : path.parent_path();
    return folder / "Contents" / "x86_64-linux" / (folder.stem().string() + ".so");
}

}  // namespace

std::unique_ptr<Vst3Module> Vst3Module::load(const std::string& path, std::string& error) {
    const std::filesystem::path binary = binary_of(path);
    void* handle = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = fmt::format("Couldn't load '{}': {}", binary.string(),
                            reason != nullptr ? reason : "");
        return nullptr;
    }
    using Entry = bool (*)(void*);
    using Exit = bool (*)();
    using GetFactory = Steinberg::IPluginFactory* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, "ModuleEntry"));
    const auto exit = reinterpret_cast<Exit>(dlsym(handle, "ModuleExit"));
    const auto get_factory = reinterpret_cast<GetFactory>(dlsym(handle, "GetPluginFactory"));
    if (entry == nullptr || exit == nullptr || get_factory == nullptr) {
        dlclose(handle);
        error = fmt::format("'{}' lacks ModuleEntry, ModuleExit or GetPluginFactory",
                            binary.string());
        return nullptr;
    }
    if (!entry(handle)) {
        dlclose(handle);
        error = "The module's ModuleEntry failed";
        return nullptr;
    }
    std::unique_ptr<Vst3Module> module(new Vst3Module(handle, exit));
    module->factory_ = get_factory();
    if (module->factory_ == nullptr) {
        error = "The module gives no factory";
        return nullptr;
    }
    return module;
}

Vst3Module::~Vst3Module() {
    if (factory_ != nullptr) factory_->release();
    exit_();
    dlclose(handle_);
}

}  // namespace ondrix_tools
