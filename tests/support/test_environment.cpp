#include "test_environment.hpp"

#include "test_platform.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace test {

namespace fs = std::filesystem;

TempDir::TempDir() : path_(platform::make_temp_directory("support_test")) {}

TempDir::~TempDir() {
    std::error_code ignored;
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

std::string system_error_text(std::uint32_t code) {
    return "code: [" + std::to_string(code) + "], message: [" + platform::system_message(code) +
           "]";
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
