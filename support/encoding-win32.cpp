#include "encoding-platform.hpp"

#include <memory>
#include <windows.h>

namespace checker::platform {

int utf16_to_utf8(const WideChar* input, int input_length, char* output, int capacity) {
    return WideCharToMultiByte(CP_UTF8, 0, input, input_length, output, capacity, nullptr, nullptr);
}

int utf8_to_utf16(const char* input, int input_length, WideChar* output, int capacity) {
    return MultiByteToWideChar(CP_UTF8, 0, input, input_length, output, capacity);
}

std::uint32_t last_error() {
    return GetLastError();
}

namespace {
struct LocalFreeDeleter {
    void operator()(wchar_t* buffer) const noexcept { LocalFree(buffer); }
};
} // namespace

std::optional<WideString> system_message(std::uint32_t code) {
    wchar_t* raw = nullptr;
    const DWORD count = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&raw),
        0, nullptr);
    const std::unique_ptr<wchar_t, LocalFreeDeleter> buffer(raw);
    if (count == 0) {
        return std::nullopt;
    }
    // System messages end in a carriage return and a line feed.
    if (count <= 2) {
        return WideString();
    }
    return WideString(buffer.get(), count - 2);
}

} // namespace checker::platform
