#include "host_main.hpp"

#include <exception>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "event_output.hpp"
#include "state_check.hpp"

namespace ondrix_tools {

int host_main(int argc, char** argv, std::string_view program, std::string_view usage,
              int (*run)(const HostOptions& options, std::ostream& out, std::ostream& err)) {
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        const auto parsed = parse_options(args);
        if (const auto* message = std::get_if<std::string>(&parsed)) {
            std::cerr << program << ": " << *message << '\n' << usage;
            return 2;
        }
        const auto& options = std::get<HostOptions>(parsed);
        if (options.help) {
            std::cout << usage;
            return 0;
        }
        if (options.check_file) return list_state_check(*options.check_file, std::cout);
        EventOutput events;
        return run(options, events.stream(), std::cerr);
    } catch (const std::exception& e) {
        std::cerr << program << ": " << e.what() << '\n';
        return 1;
    }
}

}  // namespace ondrix_tools
