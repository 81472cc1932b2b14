#include "checker/entry.hpp"

#include "checker/check_run.hpp"
#include "checker/json_allocation_watch.hpp"

#include <exception>
#include <iostream>

namespace checker {

int dispatch_command_line(const CheckerOptions& options, CheckRunner run) {
    if (!options.parse_error.empty()) {
        std::cerr << "ERROR: " << options.parse_error << std::endl;
        print_usage(options);
        return 1;
    }
    if (!options.extra_arguments.empty()) {
        std::cerr << "ERROR: invalid arguments specified:";
        for (const std::string& argument : options.extra_arguments) {
            std::cerr << " " << argument;
        }
        std::cerr << std::endl;
        print_usage(options);
        return 1;
    }
    if (options.help_requested != 0) {
        print_help(options);
        return 0;
    }
    if (options.usage_requested != 0) {
        print_usage(options);
        return 0;
    }
    return run(options);
}

int run_entry(int argc, const char* const* argv) {
    watch_json_allocations();
    try {
        CheckerOptions options;
        parse_command_line(argc, argv, options);
        return dispatch_command_line(options, run_checker);
    } catch (const std::exception& e) {
        // Only running out of memory while parsing gets here; the check run catches its own.
        std::cerr << "ERROR: " << e.what() << std::endl;
        return 1;
    }
}

} // namespace checker
