// ondrix-host: a small command-line CLAP host. Run it with --help for its usage.
#include "host_main.hpp"
#include "run_host.hpp"

int main(int argc, char** argv) {
    const std::string usage = ondrix_tools::host_usage(
        "ondrix-host", "MODULE",
        "Loads the CLAP plug-in in MODULE (a .clap file), runs its first plug-in at 48 kHz in\n"
        "blocks of 256 frames with a transport playing at 120 BPM from the start of the song,\n"
        "and prints each event the plug-in sends, one line per event.");
    return ondrix_tools::host_main(argc, argv, "ondrix-host", usage, ondrix_tools::run_host);
}
