#pragma once

// What a CLAP instance's parameter gestures and edits become on the VST3 side: the owner passes
// them on to the host's component handler. Called on the thread that runs the process adapter
// (the audio thread in a block, the main thread in a flush). Owner: the VST3 component.

#include <clap/events.h>

#include <cstdint>

namespace Clap {

class IAutomation {
public:
    virtual void onBeginEdit(std::uint32_t id) = 0;
    virtual void onPerformEdit(const clap_event_param_value_t* value) = 0;
    virtual void onEndEdit(std::uint32_t id) = 0;

protected:
    ~IAutomation() = default;
};

}  // namespace Clap
