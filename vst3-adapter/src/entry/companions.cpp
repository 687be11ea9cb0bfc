#include "entry/companions.hpp"

#include <limits>

namespace Vst3Adapter {

namespace {

using Steinberg::FUnknown;
using Steinberg::tresult;
using Steinberg::uint32;

// The one answer both classes give: themselves for FUnknown and for their own interface.
template <class Interface>
tresult answer(Interface* self, const Steinberg::TUID iid, void** object) {
    if (object == nullptr) {
        return Steinberg::kInvalidArgument;
    }
    if (Steinberg::FUnknownPrivate::iidEqual(iid, FUnknown::iid.toTUID()) ||
        Steinberg::FUnknownPrivate::iidEqual(iid, Interface::iid.toTUID())) {
        self->addRef();
        *object = self;
        return Steinberg::kResultOk;
    }
    *object = nullptr;
    return Steinberg::kNoInterface;
}

uint32 up(std::atomic<uint32>& references) {
    return references.fetch_add(1, std::memory_order_relaxed) + 1;
}

// The count left; the caller deletes itself at zero.
uint32 down(std::atomic<uint32>& references) {
    return references.fetch_sub(1, std::memory_order_acq_rel) - 1;
}

}  // namespace

tresult PLUGIN_API ARAMainFactory::queryInterface(const Steinberg::TUID iid, void** object) {
    return answer<ARA::IMainFactory>(this, iid, object);
}

uint32 PLUGIN_API ARAMainFactory::addRef() {
    return up(references);
}

uint32 PLUGIN_API ARAMainFactory::release() {
    const uint32 left = down(references);
    if (left == 0) {
        delete this;
    }
    return left;
}

const ARA::ARAFactory* PLUGIN_API ARAMainFactory::getFactory() {
    return static_cast<const ARA::ARAFactory*>(araFactory);
}

tresult PLUGIN_API PluginCompatibility::queryInterface(const Steinberg::TUID iid, void** object) {
    return answer<Steinberg::IPluginCompatibility>(this, iid, object);
}

uint32 PLUGIN_API PluginCompatibility::addRef() {
    return up(references);
}

uint32 PLUGIN_API PluginCompatibility::release() {
    const uint32 left = down(references);
    if (left == 0) {
        delete this;
    }
    return left;
}

tresult PLUGIN_API PluginCompatibility::getCompatibilityJSON(Steinberg::IBStream* stream) {
    if (stream == nullptr) {
        return Steinberg::kResultFalse;
    }
    if (json.size() > static_cast<std::size_t>(std::numeric_limits<Steinberg::int32>::max())) {
        return Steinberg::kResultFalse;
    }
    Steinberg::int32 written = 0;
    const auto length = static_cast<Steinberg::int32>(json.size());
    const tresult result = stream->write(json.data(), length, &written);
    return result == Steinberg::kResultOk && written == length ? Steinberg::kResultOk
                                                               : Steinberg::kResultFalse;
}

}  // namespace Vst3Adapter
