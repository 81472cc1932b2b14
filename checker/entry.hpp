// The process entry of the checker, apart from main() so that tests can drive the dispatch.
#pragma once

#include "checker/command_line.hpp"

namespace checker {

using CheckRunner = int (*)(const CheckerOptions& options);

// Answers bad command lines, help and usage itself; otherwise hands over to run. Returns the exit
// code.
int dispatch_command_line(const CheckerOptions& options, CheckRunner run);

// Parses, dispatches to the check run and returns the process exit code.
int run_entry(int argc, const char* const* argv);

} // namespace checker
