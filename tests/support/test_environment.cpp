#include "test_environment.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "support_test.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        previous_ = old;
    }
    if (value) {
        setenv(name_.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (previous_) {
        setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string list_directory(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto& name : names) {
        joined += (joined.empty() ? "" : " ") + name;
    }
    return joined;
}

namespace {
std::function<checker::JsonPtr(checker::JsonPtr)>& installed_hook() {
    static std::function<checker::JsonPtr(checker::JsonPtr)> hook;
    return hook;
}
} // namespace

ScopedLoadHook::ScopedLoadHook(std::function<checker::JsonPtr(checker::JsonPtr)> hook) {
    installed_hook() = std::move(hook);
}

ScopedLoadHook::~ScopedLoadHook() {
    installed_hook() = nullptr;
}

} // namespace test

checker::JsonPtr checker::json_load_hook(checker::JsonPtr value) {
    auto& hook = test::installed_hook();
    return hook ? hook(std::move(value)) : std::move(value);
}
