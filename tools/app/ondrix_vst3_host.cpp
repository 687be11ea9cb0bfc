// ondrix-vst3-host: a small command-line VST3 host. Run it with --help for its usage.
#include <exception>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "options.hpp"
#include "vst3/run_vst3_host.hpp"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        const auto parsed = ondrix_tools::parse_options(args);
        if (const auto* message = std::get_if<std::string>(&parsed)) {
            std::cerr << "ondrix-vst3-host: " << *message << '\n' << ondrix_tools::kVst3Usage;
            return 2;
        }
        const auto& options = std::get<ondrix_tools::HostOptions>(parsed);
        if (options.help) {
            std::cout << ondrix_tools::kVst3Usage;
            return 0;
        }
        return ondrix_tools::run_vst3_host(options, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "ondrix-vst3-host: " << e.what() << '\n';
        return 1;
    }
}
