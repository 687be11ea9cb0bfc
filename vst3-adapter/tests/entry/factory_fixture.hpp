// A class factory built over a fake CLAP entry, as the module builds its own, with the log lines
// the building wrote. Thread: the test's thread. Owner: the test.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../our_class.hpp"
#include "clap/library.hpp"
#include "entry/factory.hpp"
#include "fake_clap.hpp"
#include "pluginterfaces/base/funknown.h"

namespace entry_testing {

using vst3_testing::logMessages;

// What the audio-module function of the tests was asked to make, and what it made.
struct MadeComponent {
    Clap::Library* library = nullptr;
    Steinberg::int32 index = -1;
    Vst3Adapter::CreationContext* context = nullptr;
};
extern std::vector<MadeComponent> madeComponents;
extern std::atomic<int> liveComponents;
// When set, the audio-module function throws in place of making a component.
extern bool makingThrows;

// The create function registered by the fixture: audio modules are small test components.
Steinberg::FUnknown* createForTest(void* context);

struct FactoryFixture : ::testing::Test {
    clap_host_testing::FakeEntry entry;
    clap_host_testing::FakeFactory plugins;
    Clap::Library library;
    Vst3Adapter::CreationContexts contexts;
    std::optional<Steinberg::PFactoryInfo> factoryInfo;
    std::vector<Steinberg::IPluginFactory*> held;  // released by TearDown

    void SetUp() override;
    void TearDown() override;

    // Sets the library up on the fake entry with its plug-in factory and `factories`.
    void setUpLibrary(std::map<std::string, const void*> factories = {});

    // One call of the module's factory function; the factory, if any, is released at the end.
    Steinberg::IPluginFactory* getFactory(std::vector<std::string>* log = nullptr);

    // The class record at index.
    Steinberg::PClassInfo2 classAt(Steinberg::int32 index);
};

}  // namespace entry_testing
