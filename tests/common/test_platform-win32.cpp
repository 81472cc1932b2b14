#include "test_platform.hpp"

#include <cstdlib>
#include <process.h>
#include <stdexcept>
#include <windows.h>

namespace test::platform {

namespace {

std::string to_utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), needed, nullptr, nullptr);
    return result;
}

std::wstring to_utf16(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), needed);
    return result;
}

} // namespace

std::string make_temp_directory(const std::string& prefix) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        throw std::runtime_error("GetTempPathW failed");
    }
    // The process id keeps test programs that run side by side apart; the counter, the
    // directories of one program.
    const std::wstring stem = std::wstring(temp, length) + to_utf16(prefix) + L"." +
                              std::to_wstring(GetCurrentProcessId()) + L".";
    for (unsigned attempt = 0; attempt < 10000; ++attempt) {
        const std::wstring path = stem + std::to_wstring(attempt);
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            return to_utf8(path);
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    throw std::runtime_error("no temporary directory could be created");
}

std::optional<std::string> get_env(const std::string& name) {
    const wchar_t* value = _wgetenv(to_utf16(name).c_str());
    return value == nullptr ? std::nullopt : std::optional<std::string>(to_utf8(value));
}

void set_env(const std::string& name, const std::optional<std::string>& value) {
    // "NAME=" with nothing after it removes the variable.
    _wputenv((to_utf16(name) + L"=" + to_utf16(value.value_or(""))).c_str());
}

std::uint32_t own_process_id() {
    return static_cast<std::uint32_t>(_getpid());
}

std::uint32_t already_exists_code() {
    return ERROR_ALREADY_EXISTS;
}

std::uint32_t path_not_found_code() {
    return ERROR_PATH_NOT_FOUND;
}

std::uint32_t replace_directory_code() {
    return ERROR_ACCESS_DENIED;
}

std::uint32_t unknown_code_lookup_failure() {
    return ERROR_MR_MID_NOT_FOUND;
}

std::string system_message(std::uint32_t code) {
    wchar_t buffer[1024];
    const DWORD count =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 1024, nullptr);
    // Every system message ends in CR LF; the tests rely on the library dropping exactly that.
    if (count < 2 || buffer[count - 2] != L'\r' || buffer[count - 1] != L'\n') {
        throw std::runtime_error("no system message ending in CR LF for code " +
                                 std::to_string(code));
    }
    return to_utf8(std::wstring(buffer, count - 2));
}

std::string as_text_file(const std::string& text) {
    std::string result;
    for (const char c : text) {
        if (c == '\n') {
            result += '\r';
        }
        result += c;
    }
    return result;
}

} // namespace test::platform
