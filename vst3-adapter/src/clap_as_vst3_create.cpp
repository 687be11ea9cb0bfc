#include "clap_as_vst3.hpp"

#include "entry/factory.hpp"

Steinberg::FUnknown* ClapAsVst3::createInstance(void* context) {
    return Vst3Adapter::createInstance(
        context, [](Clap::Library* library, Steinberg::int32 index,
                    Vst3Adapter::CreationContext* creation) -> Steinberg::FUnknown* {
            return static_cast<Steinberg::Vst::IAudioProcessor*>(
                new ClapAsVst3(library, index, creation));
        });
}
