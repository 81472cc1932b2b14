#include "temp_files.hpp"

#include "test_platform.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace test {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& prefix) : path_(platform::make_temp_directory(prefix)) {}

TempDir::~TempDir() {
    std::error_code ignored;
    // A test may have taken the owner's rights away to provoke a failure.
    fs::permissions(fs::u8path(path_), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(fs::u8path(path_), ignored);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)), previous_(platform::get_env(name_)) {
    platform::set_env(name_, value);
}

ScopedEnv::~ScopedEnv() {
    platform::set_env(name_, previous_);
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream(fs::u8path(path), std::ios::binary) << content;
}

std::string read_file(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string list_directory(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(path))) {
        names.push_back(entry.path().filename().u8string());
    }
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto& name : names) {
        joined += (joined.empty() ? "" : " ") + name;
    }
    return joined;
}

} // namespace test
