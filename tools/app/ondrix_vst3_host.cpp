// ondrix-vst3-host: a small command-line VST3 host. Run it with --help for its usage.
#include "host_main.hpp"
#include "vst3/run_vst3_host.hpp"

int main(int argc, char** argv) {
    const std::string usage = ondrix_tools::host_usage(
        "ondrix-vst3-host", "BUNDLE",
        "Loads the VST3 plug-in in BUNDLE (a .vst3 folder or its binary), runs its first\n"
        "audio-module class at 48 kHz in blocks of 256 frames with a transport playing at\n"
        "120 BPM from the start of the song, and prints each event the plug-in sends, one line\n"
        "per event.");
    return ondrix_tools::host_main(
        argc, argv, "ondrix-vst3-host", usage,
        [](const ondrix_tools::HostOptions& options, std::ostream& out, std::ostream& err) {
            return ondrix_tools::run_vst3_host(options, out, err);
        });
}
