#include "sdk/plugin_compatibility.hpp"

namespace Steinberg {

DEF_CLASS_IID(IPluginCompatibility)

}  // namespace Steinberg
