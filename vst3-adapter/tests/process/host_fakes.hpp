#pragma once

// The host's side of a VST3 block: event lists and parameter changes that record what the
// plug-in adds. Thread: the test's. Owner: the test's stack frame.

#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace process_testing {

using namespace Steinberg;
using namespace Steinberg::Vst;

// A host object that lives on the test's stack: reference counting does nothing.
template <class Interface>
class Unreferenced : public Interface {
public:
    tresult PLUGIN_API queryInterface(const TUID, void** object) override {
        *object = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
};

// The host's event list: hands out `events`, records what is added.
class EventList : public Unreferenced<IEventList> {
public:
    int32 PLUGIN_API getEventCount() override { return static_cast<int32>(events.size()); }
    tresult PLUGIN_API getEvent(int32 index, Event& event) override {
        if (index < 0 || index >= getEventCount()) {
            return kInvalidArgument;
        }
        event = events[static_cast<std::size_t>(index)];
        return kResultOk;
    }
    tresult PLUGIN_API addEvent(Event& event) override {
        events.push_back(event);
        return kResultOk;
    }
    std::vector<Event> events;
};

class ParamQueue : public Unreferenced<IParamValueQueue> {
public:
    explicit ParamQueue(ParamID id) : id(id) {}
    ParamID PLUGIN_API getParameterId() override { return id; }
    int32 PLUGIN_API getPointCount() override { return static_cast<int32>(points.size()); }
    tresult PLUGIN_API getPoint(int32 index, int32& offset, ParamValue& value) override {
        if (failReads || index < 0 || index >= getPointCount()) {
            return kResultFalse;
        }
        std::tie(offset, value) = points[static_cast<std::size_t>(index)];
        return kResultOk;
    }
    tresult PLUGIN_API addPoint(int32 offset, ParamValue value, int32& index) override {
        index = getPointCount();
        points.emplace_back(offset, value);
        return kResultOk;
    }
    ParamID id;
    std::vector<std::pair<int32, ParamValue>> points;
    bool failReads = false;
};

class ParameterChanges : public Unreferenced<IParameterChanges> {
public:
    int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(queues.size()); }
    IParamValueQueue* PLUGIN_API getParameterData(int32 index) override {
        return index >= 0 && index < getParameterCount() ? queues[static_cast<std::size_t>(index)].get()
                                                         : nullptr;
    }
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override {
        for (std::size_t i = 0; i < queues.size(); ++i) {
            if (queues[i]->id == id) {
                index = static_cast<int32>(i);
                return queues[i].get();
            }
        }
        index = getParameterCount();
        return queues.emplace_back(std::make_unique<ParamQueue>(id)).get();
    }
    // A queue of the given points.
    ParamQueue& add(ParamID id, std::vector<std::pair<int32, ParamValue>> points) {
        int32 index = 0;
        auto& queue = static_cast<ParamQueue&>(*addParameterData(id, index));
        queue.points = std::move(points);
        return queue;
    }
    std::vector<std::unique_ptr<ParamQueue>> queues;
};

}  // namespace process_testing
