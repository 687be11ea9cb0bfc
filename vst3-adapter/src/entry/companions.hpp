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

// One interface and FUnknown over one atomic reference count that starts at 1.
template <class Interface>
class Counted : public Interface {
public:
    Counted() = default;
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

    // FUnknown and `Interface` only; a null `object` is refused with kInvalidArgument.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** object) override {
        if (object == nullptr) {
            return Steinberg::kInvalidArgument;
        }
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid.toTUID()) ||
            Steinberg::FUnknownPrivate::iidEqual(iid, Interface::iid.toTUID())) {
            addRef();
            *object = static_cast<Interface*>(this);
            return Steinberg::kResultOk;
        }
        *object = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override {
        return references.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    Steinberg::uint32 PLUGIN_API release() override {
        const Steinberg::uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    virtual ~Counted() = default;

private:
    std::atomic<Steinberg::uint32> references{1};
};

class ARAMainFactory : public Counted<ARA::IMainFactory> {
public:
    ARAMainFactory(const void* araFactory, const Steinberg::FUID& classId)
        : araFactory(araFactory), classId(classId) {}

    const ARA::ARAFactory* PLUGIN_API getFactory() override;
    // The ID of the class it was made for.
    const Steinberg::FUID& getClassId() const { return classId; }

private:
    const void* araFactory;  // the CLAP side's ARA record, owned by its entry
    Steinberg::FUID classId;
};

class PluginCompatibility : public Counted<Steinberg::IPluginCompatibility> {
public:
    explicit PluginCompatibility(std::string json) : json(std::move(json)) {}

    // Writes the whole text, without terminator, in one call: kResultOk when the stream took
    // all of it, else (a null stream among them) kResultFalse.
    Steinberg::tresult PLUGIN_API getCompatibilityJSON(Steinberg::IBStream* stream) override;

private:
    std::string json;
};

}  // namespace Vst3Adapter
