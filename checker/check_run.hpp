// The check run: configuration, then either the update check or the delete mode, with the two
// failure scopes that turn every failure into an ERROR line and exit code 1.
#pragma once

#include "checker/command_line.hpp"
#include "checker/config.hpp"
#include "support/version_descriptor.hpp"

#include <cstdint>
#include <string>

namespace checker {

// Returns the exit code, 0 or 1; never throws.
int run_checker(const CheckerOptions& options);

// Creates the vendor, application and update directories, in that order, and returns the path of
// version.json inside the last.
std::string local_version_path(const CheckerConfig& config);

// The stored descriptor; the empty one when there is no file (a directory counts as none).
VersionDescriptor load_local_descriptor(const std::string& path, std::uint32_t read_limit);

// Removes version.json, trace.json and the three directories; every removal may fail silently.
void delete_update_files(const CheckerConfig& config);

} // namespace checker
