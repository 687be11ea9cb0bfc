#include "extensions.hpp"
#include "frame.hpp"

namespace vantrel_ondrix_plugin {
namespace {

bool state_save(const clap_plugin_t* plugin, const clap_ostream_t* stream) noexcept {
    return run_main_thread(plugin, false, [stream](MainThread& main) -> Outcome<bool> {
        if (stream == nullptr) return PluginWrapperError::null_argument("clap_ostream");
        OutputStream output(*stream);
        return main.save(output);
    });
}

bool state_load(const clap_plugin_t* plugin, const clap_istream_t* stream) noexcept {
    return run_main_thread(plugin, false, [stream](MainThread& main) -> Outcome<bool> {
        if (stream == nullptr) return PluginWrapperError::null_argument("clap_istream");
        InputStream input(*stream);
        return main.load(input);
    });
}

}  // namespace

const clap_plugin_state_t STATE{&state_save, &state_load};

}  // namespace vantrel_ondrix_plugin
