// ondrix-host: a small command-line CLAP host. Run it with --help for its usage.
#include "host_main.hpp"
#include "run_host.hpp"

int main(int argc, char** argv) {
    return ondrix_tools::host_main(argc, argv, "ondrix-host", ondrix_tools::kUsage,
                                   ondrix_tools::run_host);
}
