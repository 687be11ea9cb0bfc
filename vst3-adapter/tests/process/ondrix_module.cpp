#include "ondrix_module.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace process_testing {

namespace {

[[noreturn]] void fail(const char* what, const char* detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail);
    std::abort();
}

const clap_plugin_entry_t* entryOf(const char* modulePath) {
    // Loaded once and kept, as hosts keep a module they have scanned.
    void* handle = dlopen(modulePath, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        fail("cannot load the module", dlerror());
    }
    const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(handle, "clap_entry"));
    if (entry == nullptr) {
        fail("no clap_entry in", modulePath);
    }
    return entry;
}

struct TextStream {
    std::string_view text;
    clap_istream_t stream{this, [](const clap_istream_t* s, void* buffer, std::uint64_t size) {
                              auto* self = static_cast<TextStream*>(s->ctx);
                              const std::size_t n = std::min<std::size_t>(size, self->text.size());
                              std::memcpy(buffer, self->text.data(), n);
                              self->text.remove_prefix(n);
                              return static_cast<std::int64_t>(n);
                          }};
};

}  // namespace

OndrixInstance::OndrixInstance(const char* modulePath, std::string_view state,
                               double sampleRate) {
    entry_ = entryOf(modulePath);
    if (!entry_->init(modulePath)) {
        fail("entry init failed for", modulePath);
    }
    const auto* factory =
        static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    host_.clap_version = CLAP_VERSION;
    host_.name = "process adapter tests";
    host_.vendor = host_.url = host_.version = "";
    host_.get_extension = [](const clap_host_t*, const char*) -> const void* { return nullptr; };
    host_.request_restart = host_.request_process = host_.request_callback =
        [](const clap_host_t*) {};
    plugin_ = factory->create_plugin(factory, &host_, "app.vantrel.ondrix.plugin");
    if (plugin_ == nullptr || !plugin_->init(plugin_)) {
        fail("cannot create the plug-in from", modulePath);
    }
    if (!state.empty()) {
        const auto* extension =
            static_cast<const clap_plugin_state_t*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
        TextStream stream{state};
        if (extension == nullptr || !extension->load(plugin_, &stream.stream)) {
            fail("the plug-in refused the state", std::string(state).c_str());
        }
    }
    if (!plugin_->activate(plugin_, sampleRate, 1, 4096) || !plugin_->start_processing(plugin_)) {
        fail("cannot activate the plug-in from", modulePath);
    }
}

OndrixInstance::~OndrixInstance() {
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    plugin_->destroy(plugin_);
    entry_->deinit();
}

}  // namespace process_testing
