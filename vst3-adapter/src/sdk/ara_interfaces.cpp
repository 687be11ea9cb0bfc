#include "sdk/ara_interfaces.hpp"

namespace ARA {

DEF_CLASS_IID(IMainFactory)
DEF_CLASS_IID(IPlugInEntryPoint)
DEF_CLASS_IID(IPlugInEntryPoint2)

}  // namespace ARA
