// The checker's command line: the popt option table, the parsed record and its parser.
#pragma once

#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include <popt.h>

namespace checker {

struct PoptContextFree {
    void operator()(poptContext context) const noexcept { poptFreeContext(context); }
};
using PoptContextPtr = std::unique_ptr<std::remove_pointer_t<poptContext>, PoptContextFree>;

// popt hands out option values as malloc'd copies that the caller must free.
struct PoptStringFree {
    void operator()(char* text) const noexcept { std::free(text); }
};

// popt keeps pointers into the table and the flag fields while its context lives, so the record
// stays where it was built: it is neither copied nor moved.
struct CheckerOptions {
    CheckerOptions() = default;
    CheckerOptions(const CheckerOptions&) = delete;
    CheckerOptions& operator=(const CheckerOptions&) = delete;

    std::optional<std::string> config_path;
    int delete_requested = 0;
    int help_requested = 0;
    int usage_requested = 0;
    std::string parse_error;
    std::vector<std::string> extra_arguments;
    // Where popt stores the value of --config until parse_command_line takes it over.
    char* config_slot = nullptr;
    std::array<poptOption, 5> option_table{};
    // Declared last so that it goes first: the context may still refer to everything above.
    PoptContextPtr context;

    ~CheckerOptions() { PoptStringFree{}(config_slot); }
};

// Fills options from the command line; failures land in parse_error, never in an exception from
// popt itself. The context stays open for the help and usage printers.
void parse_command_line(int argc, const char* const* argv, CheckerOptions& options);

// popt's usage text on standard error; a fixed line when there is no context to print from.
void print_usage(const CheckerOptions& options);
void print_help(const CheckerOptions& options);

} // namespace checker
