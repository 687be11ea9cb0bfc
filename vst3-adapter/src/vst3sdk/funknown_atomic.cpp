// The SDK's FUnknown support (FUID, the string helpers), built from the installed file with one
// change: the reference count. On Linux the installed atomicAdd adds atomically but then reads
// the count back as a separate load, so two threads releasing at once can both see zero and
// delete the object twice. The installed function is compiled under another name and left
// unused; ours returns the value the atomic add itself produced.

#include <atomic>

#define atomicAdd atomicAddAsInstalled
#include "pluginterfaces/base/funknown.cpp"
#undef atomicAdd

namespace Steinberg::FUnknownPrivate {

int32 PLUGIN_API atomicAdd(int32& value, int32 amount) {
    return std::atomic_ref<int32>(value).fetch_add(amount, std::memory_order_acq_rel) + amount;
}

}  // namespace Steinberg::FUnknownPrivate
