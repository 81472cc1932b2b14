// Small fixtures shared by the support tests: a temporary directory that the test owns, an
// environment variable set for one test, and a json_load_hook the test can replace.
#pragma once

#include "support/json.hpp"

#include <functional>
#include <optional>
#include <string>

namespace test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

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

// The load hook of the test program: the identity unless a test installs another one.
class ScopedLoadHook {
public:
    explicit ScopedLoadHook(std::function<checker::JsonPtr(checker::JsonPtr)> hook);
    ~ScopedLoadHook();
    ScopedLoadHook(const ScopedLoadHook&) = delete;
    ScopedLoadHook& operator=(const ScopedLoadHook&) = delete;
};

} // namespace test
