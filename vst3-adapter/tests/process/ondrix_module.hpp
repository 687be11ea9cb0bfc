#pragma once

// The built "Vantrel Ondrix.clap", loaded as a host loads it (through its CLAP entry only), and
// one active, processing instance of it. Aborts when the module or the instance cannot be had.
// Thread: the test's or benchmark's thread. Owner: the caller's stack frame.

#include <clap/clap.h>

#include <string_view>

namespace process_testing {

class OndrixInstance {
public:
    // `state`: a state document to load before activation; empty keeps the default patch.
    OndrixInstance(const char* modulePath, std::string_view state = {},
                   double sampleRate = 48000.0);
    ~OndrixInstance();
    OndrixInstance(const OndrixInstance&) = delete;
    OndrixInstance& operator=(const OndrixInstance&) = delete;

    const clap_plugin_t* plugin() const { return plugin_; }

private:
    const clap_plugin_entry_t* entry_ = nullptr;
    clap_host_t host_{};
    const clap_plugin_t* plugin_ = nullptr;
};

}  // namespace process_testing
