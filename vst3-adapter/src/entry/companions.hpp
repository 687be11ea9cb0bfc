#pragma once

// The two small classes a factory may list beside its audio modules: the ARA main factory of one
// ARA entry of the CLAP side, and the compatibility text of the module. Created by the class
// factory for the host and reference counted: the creator holds the first reference, the last
// release deletes. Threads: any; the count is atomic, everything else fixed at construction.

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/base/ibstream.h"
#include "sdk/ara_interfaces.hpp"
#include "sdk/plugin_compatibility.hpp"

#include <atomic>
#include <string>

namespace Vst3Adapter {

class ARAMainFactory : public ARA::IMainFactory {
public:
    ARAMainFactory(const void* araFactory, const Steinberg::FUID& classId)
        : araFactory(araFactory), classId(classId) {}
    virtual ~ARAMainFactory() = default;
    ARAMainFactory(const ARAMainFactory&) = delete;
    ARAMainFactory& operator=(const ARAMainFactory&) = delete;

    // FUnknown and IMainFactory only; a null `object` is refused with kInvalidArgument.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** object) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

    const ARA::ARAFactory* PLUGIN_API getFactory() override;

private:
    std::atomic<Steinberg::uint32> references{1};
    const void* araFactory;  // the CLAP side's ARA record, owned by its entry
    Steinberg::FUID classId;
};

class PluginCompatibility : public Steinberg::IPluginCompatibility {
public:
    explicit PluginCompatibility(std::string json) : json(std::move(json)) {}
    virtual ~PluginCompatibility() = default;
    PluginCompatibility(const PluginCompatibility&) = delete;
    PluginCompatibility& operator=(const PluginCompatibility&) = delete;

    // FUnknown and IPluginCompatibility only; a null `object` is refused with kInvalidArgument.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** object) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

    // Writes the whole text, without terminator, in one call: kResultOk when the stream took
    // all of it, else (a null stream among them) kResultFalse.
    Steinberg::tresult PLUGIN_API getCompatibilityJSON(Steinberg::IBStream* stream) override;

private:
    std::atomic<Steinberg::uint32> references{1};
    std::string json;
};

}  // namespace Vst3Adapter
