#include "entry/companions.hpp"

#include <limits>

namespace Vst3Adapter {

const ARA::ARAFactory* PLUGIN_API ARAMainFactory::getFactory() {
    return static_cast<const ARA::ARAFactory*>(araFactory);
}

Steinberg::tresult PLUGIN_API PluginCompatibility::getCompatibilityJSON(Steinberg::IBStream* stream) {
    if (stream == nullptr ||
        json.size() > static_cast<std::size_t>(std::numeric_limits<Steinberg::int32>::max())) {
        return Steinberg::kResultFalse;
    }
    Steinberg::int32 written = 0;
    const auto length = static_cast<Steinberg::int32>(json.size());
    const Steinberg::tresult result = stream->write(json.data(), length, &written);
    return result == Steinberg::kResultOk && written == length ? Steinberg::kResultOk
                                                               : Steinberg::kResultFalse;
}

}  // namespace Vst3Adapter
