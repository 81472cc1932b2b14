// Fixtures every test suite uses: a temporary directory the test owns, an environment variable set
// for one test, and whole-file reads and writes. They reach the system through test_platform.hpp,
// never through the library under test.
#pragma once

#include <optional>
#include <string>

namespace test {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "update_checker_test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// nullopt removes the variable for the test's lifetime.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
std::string list_directory(const std::string& path); // names joined by blanks, sorted

} // namespace test
