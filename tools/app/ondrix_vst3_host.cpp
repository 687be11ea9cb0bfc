// ondrix-vst3-host: a small command-line VST3 host. Run it with --help for its usage.
#include "host_main.hpp"
#include "vst3/run_vst3_host.hpp"

int main(int argc, char** argv) {
    return ondrix_tools::host_main(
        argc, argv, "ondrix-vst3-host", ondrix_tools::kVst3Usage,
        [](const ondrix_tools::HostOptions& options, std::ostream& out, std::ostream& err) {
            return ondrix_tools::run_vst3_host(options, out, err);
        });
}
