// Interface IDs that the SDK copy declares in its headers but defines nowhere: the editor view
// interfaces, the Linux run loop a host hands to a view, and PreSonus' gain-reduction meter.

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pslextensions/ipslgainreduction.h"

namespace Steinberg {

DEF_CLASS_IID(IPlugView)
DEF_CLASS_IID(IPlugFrame)
DEF_CLASS_IID(IPlugViewContentScaleSupport)

namespace Linux {
DEF_CLASS_IID(IEventHandler)
DEF_CLASS_IID(ITimerHandler)
DEF_CLASS_IID(IRunLoop)
}  // namespace Linux

}  // namespace Steinberg

namespace Presonus {
DEF_CLASS_IID(IGainReductionInfo)
}  // namespace Presonus
