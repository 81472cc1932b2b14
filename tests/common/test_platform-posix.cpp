#include "test_platform.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace test::platform {

std::string make_temp_directory(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + ".XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed: " + std::string(std::strerror(errno)));
    }
    return pattern;
}

std::optional<std::string> get_env(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

void set_env(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}

std::uint32_t own_process_id() {
    return static_cast<std::uint32_t>(getpid());
}

std::uint32_t already_exists_code() {
    return EEXIST;
}

std::uint32_t path_not_found_code() {
    return ENOENT;
}

std::uint32_t replace_directory_code() {
    return EISDIR;
}

std::uint32_t unknown_code_lookup_failure() {
    return EINVAL;
}

std::string system_message(std::uint32_t code) {
    return std::strerror(static_cast<int>(code));
}

std::string as_text_file(const std::string& text) {
    return text;
}

} // namespace test::platform
