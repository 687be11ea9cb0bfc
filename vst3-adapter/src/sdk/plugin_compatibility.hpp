#pragma once

// IPluginCompatibility: a class that tells the host, as a JSON text, which other plug-ins'
// classes this module's classes replace. Declaration only; reference counted like every FUnknown.

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/base/ibstream.h"

namespace Steinberg {

class IPluginCompatibility : public FUnknown {
public:
    // Writes the JSON text (no terminator) to `stream`.
    virtual tresult PLUGIN_API getCompatibilityJSON(IBStream* stream) = 0;

    static const FUID iid;
};

DECLARE_CLASS_IID(IPluginCompatibility, 0x4AFD4B6A, 0x35D7C240, 0xA5C31414, 0xFB7D15E6)

}  // namespace Steinberg
