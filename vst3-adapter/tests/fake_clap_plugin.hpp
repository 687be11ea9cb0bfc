#pragma once

// The plug-in side of a CLAP module, for the tests that drive ClapAsVst3 over a fake plug-in:
// an entry record, a factory with one descriptor making one plug-in, and that plug-in's record,
// whose init succeeds, whose destroy does nothing and which offers no extension. A test's fake
// derives from it, fills in the plug-in's functions and extension tables, and finds itself from
// them with `of<Fake>(plugin)`. Thread: the test's. Owner: the test; one exists at a time, as the
// entry's functions find it through a global.

#include <clap/clap.h>

#include <cstdint>
#include <cstring>

namespace clap_as_vst3_testing {

class FakeClapPlugin {
public:
    FakeClapPlugin(const char* id, const char* name) {
        current() = this;
        descriptor.clap_version = CLAP_VERSION;
        descriptor.id = id;
        descriptor.name = name;
        factory.fake = this;
        factory.table.get_plugin_count = [](const clap_plugin_factory_t*) { return 1u; };
        factory.table.get_plugin_descriptor = [](const clap_plugin_factory_t* f, uint32_t) {
            return static_cast<const clap_plugin_descriptor_t*>(&fakeOf(f).descriptor);
        };
        factory.table.create_plugin = [](const clap_plugin_factory_t* f, const clap_host_t* host,
                                         const char*) {
            fakeOf(f).host = host;
            return static_cast<const clap_plugin_t*>(&fakeOf(f).plugin);
        };
        entry.clap_version = CLAP_VERSION;
        entry.init = [](const char*) { return true; };
        entry.deinit = [] {};
        entry.get_factory = [](const char* id) -> const void* {
            return std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? current()->clapFactory()
                                                                : nullptr;
        };
        plugin.desc = &descriptor;
        plugin.plugin_data = this;
        plugin.init = [](const clap_plugin_t*) { return true; };
        plugin.destroy = [](const clap_plugin_t*) {};
        plugin.get_extension = [](const clap_plugin_t*, const char*) -> const void* {
            return nullptr;
        };
    }
    ~FakeClapPlugin() {
        if (current() == this) current() = nullptr;
    }
    FakeClapPlugin(const FakeClapPlugin&) = delete;
    FakeClapPlugin& operator=(const FakeClapPlugin&) = delete;

    const clap_plugin_entry_t* clapEntry() const { return &entry; }
    const clap_plugin_factory_t* clapFactory() const { return &factory.table; }

    // The host the factory made the plug-in with.
    const clap_host_t* host = nullptr;
    clap_plugin_descriptor_t descriptor{};
    clap_plugin_t plugin{};

protected:
    template <class Fake>
    static Fake& of(const clap_plugin_t* p) {
        return static_cast<Fake&>(*static_cast<FakeClapPlugin*>(p->plugin_data));
    }

private:
    // The factory's table, and the way back to its fake.
    struct Factory {
        clap_plugin_factory_t table;
        FakeClapPlugin* fake;
    };
    static FakeClapPlugin& fakeOf(const clap_plugin_factory_t* f) {
        return *reinterpret_cast<const Factory*>(f)->fake;
    }
    static FakeClapPlugin*& current() {
        static FakeClapPlugin* made = nullptr;
        return made;
    }

    Factory factory{};
    clap_plugin_entry_t entry{};
};

}  // namespace clap_as_vst3_testing
