// Fakes of the plug-in side for the host-side tests: an entry whose factories are set per test,
// a plug-in factory over a list of descriptors, and plug-in instances that answer a chosen set
// of extension ids and record what they are asked. Thread: the test's thread. Owner: the test.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <clap/clap.h>

namespace clap_host_testing {

// A plug-in instance made by FakeFactory.
struct FakeInstance {
    bool initAnswer = true;
    // The one window api its gui embeds in (never floating).
    std::string windowApi = CLAP_WINDOW_API_X11;
    // Extension ids answered with a table: the gui table for "clap.gui", else a table whose
    // address is all that matters.
    std::set<std::string> answers;

    std::vector<std::string> askedIds;
    int inits = 0;
    int destroys = 0;
    // The other calls of the instance and its state and port-activation tables, as text.
    std::vector<std::string> calls;
    const clap_host_t* host = nullptr;

    clap_plugin_t plugin{};
    clap_plugin_gui_t gui{};
    clap_plugin_state_t state{};
    clap_plugin_audio_ports_activation_t activation{};

    // The table this instance answers for id, or null.
    const void* table(const std::string& id) const;
};

// A plug-in factory over `descriptors`; each instance it creates is set up from `instance`
// and kept in `made`.
struct FakeFactory {
    FakeFactory();
    FakeFactory(const FakeFactory&) = delete;
    FakeFactory& operator=(const FakeFactory&) = delete;

    const clap_plugin_factory_t* raw() const { return &record.table; }

    // The table the plug-in side hands out, and the way back to its fake.
    struct Record {
        clap_plugin_factory_t table;
        FakeFactory* self;
    } record{};
    std::vector<const clap_plugin_descriptor_t*> descriptors;
    FakeInstance instance;
    std::vector<std::unique_ptr<FakeInstance>> made;
    std::vector<std::string> createdIds;
    bool createsNothing = false;
};

// A descriptor with the strings given; version 1.1.9 unless said otherwise.
struct FakeDescriptor {
    explicit FakeDescriptor(const char* id, const char* name = "Fake",
                            clap_version_t version = CLAP_VERSION);
    clap_plugin_descriptor_t raw{};
};

// An entry record whose get_factory answers from `factories`. Only one FakeEntry may exist at
// a time: the entry's functions find it through a global.
struct FakeEntry {
    FakeEntry();
    ~FakeEntry();
    FakeEntry(const FakeEntry&) = delete;
    FakeEntry& operator=(const FakeEntry&) = delete;

    clap_plugin_entry_t entry{};
    bool initAnswer = true;
    std::map<std::string, const void*> factories;
    std::vector<std::string> initPaths;
    int deinits = 0;
};

}  // namespace clap_host_testing
