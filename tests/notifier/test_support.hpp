// Fixtures of the notifier tests beyond the shared ones of temp_files.hpp: a user data directory
// holding version.json, and the lines of a trace.
#pragma once

#include "support/tracer.hpp"
#include "support/version_descriptor.hpp"
#include "temp_files.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace test {

// The user data directory a test writes into (test_environment-*.cpp). On Linux a temporary
// directory made the XDG_DATA_HOME of the process. On Windows the known folder cannot be
// redirected, so it is the user's own (under Wine the build's private prefix), and the test owns
// the vendor directory in it: it is removed at the start and at the end.
class UserDataRoot {
public:
    UserDataRoot();
    ~UserDataRoot();
    UserDataRoot(const UserDataRoot&) = delete;
    UserDataRoot& operator=(const UserDataRoot&) = delete;

    // Without a trailing separator.
    const std::string& path() const { return path_; }

private:
    struct Scope;
    std::unique_ptr<Scope> scope_;
    std::string path_;
};

// The test's user data directory with the notifier's update directory in it.
class DataHome {
public:
    DataHome();

    // <data home>/Quelvar/<application>/update, without a trailing separator.
    std::string update_dir() const;
    std::string version_path() const { return update_dir() + "/version.json"; }
    std::string trace_path() const { return update_dir() + "/trace.json"; }
    void write_version(const checker::VersionDescriptor& version) const;
    void write_version_text(const std::string& content) const;
    // Removes the vendor directory with everything in it.
    void remove_update_dir() const;

private:
    UserDataRoot root_;
};

// A descriptor one above the shipped version with the texts of a real check.
checker::VersionDescriptor newer_version();
// The directory of the running test program, as the notifier resolves its own.
std::string executable_dir();

std::vector<std::string> trace_lines(const checker::Tracer& tracer);
// The messages of a trace.json file in order; empty when there is no file.
std::vector<std::string> trace_file_lines(const std::string& path);
bool file_exists(const std::string& path);

// The lines of a longer list from the first occurrence of a line on.
std::vector<std::string> lines_from(const std::vector<std::string>& lines,
                                    const std::string& first);

} // namespace test
