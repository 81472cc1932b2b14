// Small fixtures shared by the support tests: a temporary directory that the test owns, an
// environment variable set for one test, a json_load_hook the test can replace, and the texts that
// failures are expected to carry.
#pragma once

#include "support/errors.hpp"
#include "support/json.hpp"

#include <cstdint>
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

// The message of the CheckerException that action throws; "(nothing thrown)" when it returns.
template <typename F> std::string thrown_message(F&& action) {
    try {
        action();
    } catch (const checker::CheckerException& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// A system error as the library quotes it: "code: [N], message: [system text]".
std::string system_error_text(std::uint32_t code);

// The load hook of the test program: the identity unless a test installs another one.
class ScopedLoadHook {
public:
    explicit ScopedLoadHook(std::function<checker::JsonPtr(checker::JsonPtr)> hook);
    ~ScopedLoadHook();
    ScopedLoadHook(const ScopedLoadHook&) = delete;
    ScopedLoadHook& operator=(const ScopedLoadHook&) = delete;
};

} // namespace test
