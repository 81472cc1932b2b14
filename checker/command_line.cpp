#include "checker/command_line.hpp"

#include <cstdio>

namespace checker {

namespace {

// The brief form popt prints for the table, for the one case where popt has no context.
constexpr const char* kFallbackUsage =
    "Usage: checker [-dh] [-c|--config=config.json] [-d|--delete] "
    "[-h|--help]\n        [--usage]\n";

void fill_option_table(CheckerOptions& options) {
    options.option_table = {{
        {"config", 'c', POPT_ARG_STRING, &options.config_slot, 'c', "Path to config file",
         "config.json"},
        {"delete", 'd', POPT_ARG_NONE, &options.delete_requested, 'd',
         "Delete downloaded file and work directory", nullptr},
        {"help", 'h', POPT_ARG_NONE, &options.help_requested, 'h', "Show this help message",
         nullptr},
        {"usage", '\0', POPT_ARG_NONE, &options.usage_requested, 0, "Display brief usage message",
         nullptr},
        POPT_TABLEEND,
    }};
}

// Moves the value popt just stored for --config into the record; a repeated --config replaces it.
void take_config_value(CheckerOptions& options) {
    std::unique_ptr<char, PoptStringFree> value(options.config_slot);
    options.config_slot = nullptr;
    if (value) {
        options.config_path = std::string(value.get());
    }
}

} // namespace

void parse_command_line(int argc, const char* const* argv, CheckerOptions& options) {
    fill_option_table(options);
    // popt's interface is not const-correct; it does not write through argv.
    options.context.reset(poptGetContext(nullptr, argc, const_cast<const char**>(argv),
                                         options.option_table.data(), POPT_CONTEXT_NO_EXEC));
    if (!options.context) {
        options.parse_error = "'poptGetContext' error";
        return;
    }
    poptContext context = options.context.get();
    int result = 0;
    while ((result = poptGetNextOpt(context)) >= 0) {
        if (result == 'c') {
            take_config_value(options);
        }
    }
    if (result < -1) {
        options.parse_error = std::string(poptStrerror(result)) + ": " +
                              poptBadOption(context, POPT_BADOPTION_NOALIAS);
        return;
    }
    while (const char* argument = poptGetArg(context)) {
        options.extra_arguments.emplace_back(argument);
    }
}

void print_usage(const CheckerOptions& options) {
    if (options.context) {
        poptPrintUsage(options.context.get(), stderr, 0);
    } else {
        std::fputs(kFallbackUsage, stderr);
    }
    std::fflush(stderr);
}

void print_help(const CheckerOptions& options) {
    if (options.context) {
        poptPrintHelp(options.context.get(), stderr, 0);
    } else {
        std::fputs(kFallbackUsage, stderr);
    }
    std::fflush(stderr);
}

} // namespace checker
