#include "vst3/host_objects.hpp"

#include <algorithm>
#include <cstring>
#include <limits>

namespace ondrix_tools {

namespace {

using namespace Steinberg;

// Itself for FUnknown and for `Interface`, nothing else.
template <class Interface>
tresult answer(Interface* self, const TUID iid, void** object) {
    if (object == nullptr) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid.toTUID()) ||
        FUnknownPrivate::iidEqual(iid, Interface::iid.toTUID())) {
        *object = self;
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

}  // namespace

tresult PLUGIN_API HostApplication::getName(Vst::String128 name) {
    const char text[] = "ondrix-vst3-host";
    std::copy(std::begin(text), std::end(text), name);
    return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID, TUID, void** object) {
    if (object != nullptr) *object = nullptr;
    return kResultFalse;
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID iid, void** object) {
    return answer<Vst::IHostApplication>(this, iid, object);
}

int32 PLUGIN_API EventList::getEventCount() {
    return static_cast<int32>(events_.size());
}

tresult PLUGIN_API EventList::getEvent(int32 index, Vst::Event& event) {
    if (index < 0 || static_cast<std::size_t>(index) >= events_.size()) return kInvalidArgument;
    event = events_[static_cast<std::size_t>(index)];
    return kResultOk;
}

tresult PLUGIN_API EventList::addEvent(Vst::Event& event) {
    events_.push_back(event);
    return kResultOk;
}

tresult PLUGIN_API EventList::queryInterface(const TUID iid, void** object) {
    return answer<Vst::IEventList>(this, iid, object);
}

tresult PLUGIN_API NoParameterChanges::queryInterface(const TUID iid, void** object) {
    return answer<Vst::IParameterChanges>(this, iid, object);
}

tresult PLUGIN_API ByteStream::read(void* buffer, int32 count, int32* read) {
    if (buffer == nullptr || count < 0) return kInvalidArgument;
    const std::size_t taken =
        std::min(static_cast<std::size_t>(count), bytes_.size() - std::min(position_, bytes_.size()));
    if (taken > 0) std::memcpy(buffer, bytes_.data() + position_, taken);
    position_ += taken;
    if (read != nullptr) *read = static_cast<int32>(taken);
    return kResultOk;
}

tresult PLUGIN_API ByteStream::write(void* buffer, int32 count, int32* written) {
    if (buffer == nullptr || count < 0) return kInvalidArgument;
    const auto length = static_cast<std::size_t>(count);
    if (bytes_.size() < position_ + length) bytes_.resize(position_ + length);
    std::memcpy(bytes_.data() + position_, buffer, length);
    position_ += length;
    if (written != nullptr) *written = count;
    return kResultOk;
}

tresult PLUGIN_API ByteStream::seek(int64 position, int32 mode, int64* result) {
    int64 base = 0;
    if (mode == kIBSeekCur) base = static_cast<int64>(position_);
    if (mode == kIBSeekEnd) base = static_cast<int64>(bytes_.size());
    if (mode != kIBSeekSet && mode != kIBSeekCur && mode != kIBSeekEnd) return kInvalidArgument;
    if (position > std::numeric_limits<int64>::max() - base || base + position < 0) {
        return kResultFalse;
    }
    position_ = static_cast<std::size_t>(base + position);
    if (result != nullptr) *result = static_cast<int64>(position_);
    return kResultOk;
}

tresult PLUGIN_API ByteStream::tell(int64* position) {
    if (position == nullptr) return kInvalidArgument;
    *position = static_cast<int64>(position_);
    return kResultOk;
}

tresult PLUGIN_API ByteStream::queryInterface(const TUID iid, void** object) {
    return answer<IBStream>(this, iid, object);
}

}  // namespace ondrix_tools
