// The objects the VST3 command-line host hands to a plug-in: its host application, event lists,
// parameter change lists and byte streams. All of them belong to the host and live on its stack
// or in its run; they are not reference counted (addRef and release do nothing), so a plug-in
// can hold them only as long as the call or the run that gave them.
// Threads: the host's one thread, which plays both the main and the audio thread.
#pragma once

#include <string>
#include <vector>

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

namespace ondrix_tools {

// Names itself "ondrix-vst3-host"; makes no messages or attribute lists.
class HostApplication : public Steinberg::Vst::IHostApplication {
  public:
    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid,
                                                 void** object) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** object) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// Events in the order they were added.
class EventList : public Steinberg::Vst::IEventList {
  public:
    const std::vector<Steinberg::Vst::Event>& events() const { return events_; }
    void clear() { events_.clear(); }

    Steinberg::int32 PLUGIN_API getEventCount() override;
    Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index,
                                           Steinberg::Vst::Event& event) override;
    Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& event) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** object) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

  private:
    std::vector<Steinberg::Vst::Event> events_;
};

// No parameter changes in, and none taken out: the host has no parameters to move.
class NoParameterChanges : public Steinberg::Vst::IParameterChanges {
  public:
    Steinberg::int32 PLUGIN_API getParameterCount() override { return 0; }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32) override {
        return nullptr;
    }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID&,
                                                                  Steinberg::int32& index) override {
        index = -1;
        return nullptr;
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** object) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

// A byte stream over a text it owns: reads from the start, writes at the position, grows.
class ByteStream : public Steinberg::IBStream {
  public:
    explicit ByteStream(std::string bytes = {}) : bytes_(std::move(bytes)) {}
    const std::string& bytes() const { return bytes_; }

    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 count,
                                       Steinberg::int32* read) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 count,
                                        Steinberg::int32* written) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 position, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* position) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** object) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

  private:
    std::string bytes_;
    std::size_t position_ = 0;
};

}  // namespace ondrix_tools
