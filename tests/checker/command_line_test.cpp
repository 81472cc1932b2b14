#include "checker/command_line.hpp"
#include "checker/entry.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace checker {
namespace {

struct ParseCase {
    std::vector<const char*> arguments; // after the program name
    std::optional<std::string> config_path;
    int delete_requested;
    int help_requested;
    int usage_requested;
    std::string parse_error;
    std::vector<std::string> extra_arguments;
};

// popt reads argv again when it prints help or usage, so the vector lives as long as the record.
struct ParsedLine {
    explicit ParsedLine(const std::vector<const char*>& arguments) : argv{"/opt/app/checker"} {
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        argv.push_back(nullptr);
        parse_command_line(static_cast<int>(argv.size() - 1), argv.data(), options);
    }
    std::vector<const char*> argv;
    CheckerOptions options;
};

TEST(ParseCommandLine, FillsTheRecordTheWayPoptReadsTheLine) {
    const std::vector<ParseCase> cases = {
        {{}, std::nullopt, 0, 0, 0, "", {}},
        {{"-c", "my.json"}, "my.json", 0, 0, 0, "", {}},
        {{"--config=my.json"}, "my.json", 0, 0, 0, "", {}},
        {{"--config", ""}, "", 0, 0, 0, "", {}},
        {{"--config", "first.json", "-c", "last.json"}, "last.json", 0, 0, 0, "", {}},
        {{"--delete"}, std::nullopt, 1, 0, 0, "", {}},
        {{"-dh"}, std::nullopt, 1, 1, 0, "", {}},
        {{"--usage", "--help"}, std::nullopt, 0, 1, 1, "", {}},
        {{"--delete", "stray"}, std::nullopt, 1, 0, 0, "", {"stray"}},
        {{"one", "-d", "two", "three"}, std::nullopt, 1, 0, 0, "", {"one", "two", "three"}},
        {{"--config"}, std::nullopt, 0, 0, 0, "missing argument: --config", {}},
        {{"-v"}, std::nullopt, 0, 0, 0, "unknown option: -v", {}},
        // After an error the leftover words are not collected.
        {{"stray", "--verbose"}, std::nullopt, 0, 0, 0, "unknown option: --verbose", {}},
    };
    for (const ParseCase& c : cases) {
        std::string line;
        for (const char* argument : c.arguments) {
            line += std::string(" '") + argument + "'";
        }
        SCOPED_TRACE("arguments:" + line);
        ParsedLine line_read(c.arguments);
        const CheckerOptions& options = line_read.options;
        EXPECT_EQ(options.config_path, c.config_path);
        EXPECT_EQ(options.delete_requested, c.delete_requested);
        EXPECT_EQ(options.help_requested, c.help_requested);
        EXPECT_EQ(options.usage_requested, c.usage_requested);
        EXPECT_EQ(options.parse_error, c.parse_error);
        EXPECT_EQ(options.extra_arguments, c.extra_arguments);
        EXPECT_NE(options.context, nullptr);
    }
}

int g_runs = 0;
int counting_run(const CheckerOptions& /*options*/) {
    ++g_runs;
    return 7;
}

TEST(DispatchCommandLine, AnswersBadLinesHelpAndUsageWithoutRunning) {
    struct Case {
        std::vector<const char*> arguments;
        int exit_code;
        bool runs;
    };
    const std::vector<Case> cases = {
        {{"-v"}, 1, false},
        {{"--delete", "stray"}, 1, false},
        {{"--help", "--delete"}, 0, false},
        {{"--usage", "--help"}, 0, false},
        {{"--usage"}, 0, false},
        {{"--delete"}, 7, true},
        {{}, 7, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "no arguments" : c.arguments.front());
        ParsedLine line_read(c.arguments);
        const CheckerOptions& options = line_read.options;
        g_runs = 0;
        testing::internal::CaptureStderr();
        EXPECT_EQ(dispatch_command_line(options, counting_run), c.exit_code);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(g_runs, c.runs ? 1 : 0);
    }
}

TEST(DispatchCommandLine, PrintsAFixedUsageLineWhenPoptHasNoContext) {
    CheckerOptions options;
    options.parse_error = "'poptGetContext' error";
    testing::internal::CaptureStderr();
    EXPECT_EQ(dispatch_command_line(options, counting_run), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: 'poptGetContext' error\n"
              "Usage: checker [-dh] [-c|--config=config.json] [-d|--delete] [-h|--help]\n"
              "        [--usage]\n");
}

} // namespace
} // namespace checker
