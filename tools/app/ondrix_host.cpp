// ondrix-host: a small command-line CLAP host. Run it with --help for its usage.
#include <exception>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "options.hpp"
#include "run_host.hpp"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        const auto parsed = ondrix_tools::parse_options(args);
        if (const auto* message = std::get_if<std::string>(&parsed)) {
            std::cerr << "ondrix-host: " << *message << '\n' << ondrix_tools::kUsage;
            return 2;
        }
        const auto& options = std::get<ondrix_tools::HostOptions>(parsed);
        if (options.help) {
            std::cout << ondrix_tools::kUsage;
            return 0;
        }
        return ondrix_tools::run_host(options, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "ondrix-host: " << e.what() << '\n';
        return 1;
    }
}
