// A VST3 bundle opened with the dynamic loader and entered.
#pragma once

#include <memory>
#include <string>

#include "pluginterfaces/base/ipluginbase.h"

namespace ondrix_tools {

// Owned by the host's main thread. The destructor releases the factory, leaves the module
// (ModuleExit) and closes it; every object made by the factory must be released first.
class Vst3Module {
  public:
    // Opens `path`: a bundle folder ("NAME.vst3", whose binary is
    // "Contents/x86_64-linux/NAME.so") or the binary itself. Enters it (ModuleEntry) and takes
    // its factory (GetPluginFactory). Null with the reason in error when any of this fails.
    static std::unique_ptr<Vst3Module> load(const std::string& path, std::string& error);

    ~Vst3Module();
    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;

    Steinberg::IPluginFactory& factory() const { return *factory_; }

  private:
    Vst3Module(void* handle, bool (*exit)()) : handle_(handle), exit_(exit) {}

    void* handle_;
    bool (*exit_)();
    Steinberg::IPluginFactory* factory_ = nullptr;
};

}  // namespace ondrix_tools
