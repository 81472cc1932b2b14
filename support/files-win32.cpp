#include "files-platform.hpp"

#include "encoding.hpp"

#include <algorithm>
#include <io.h>
#include <memory>
#include <shlobj.h>
#include <windows.h>

namespace checker::platform {

std::FILE* open_stream(const std::string& path, const std::string& mode) {
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

bool flush_stream(std::FILE* file) {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

PathKind path_kind(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return PathKind::missing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::directory : PathKind::file;
}

void remove_file(const std::string& path) {
    DeleteFileW(widen(path).c_str());
}

void remove_empty_directory(const std::string& path) {
    RemoveDirectoryW(widen(path).c_str());
}

bool make_directory(const std::string& path) {
    return CreateDirectoryW(widen(path).c_str(), nullptr) != 0;
}

bool is_already_exists(std::uint32_t code) {
    return code == ERROR_ALREADY_EXISTS;
}

bool rename_over(const std::string& source, const std::string& target) {
    const WideString wide_source = widen(source);
    const WideString wide_target = widen(target);
    // A reader that has the target open (the notifier, say) blocks the replace for a moment:
    // try again for about a second before giving up.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(wide_source.c_str(), wide_target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
            return true;
        }
        const DWORD error = GetLastError();
        // A target that is open elsewhere reports either code, depending on how it was opened.
        const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (!busy || attempt == 20) {
            SetLastError(error);
            return false;
        }
        Sleep(50);
    }
}

namespace {
struct CoTaskMemDeleter {
    void operator()(wchar_t* buffer) const noexcept { CoTaskMemFree(buffer); }
};
} // namespace

std::optional<std::string> userdata_dir() {
    wchar_t* raw = nullptr;
    const HRESULT result =
        SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &raw);
    const std::unique_ptr<wchar_t, CoTaskMemDeleter> path(raw);
    if (result != S_OK) {
        return std::nullopt;
    }
    return narrow(WideString(path.get()));
}

std::optional<std::string> executable_path() {
    // A path that fills the buffer may have been cut: retry with a larger one rather than use it.
    // No Windows path is longer than 32767 units, so the last, largest buffer holds any path.
    constexpr DWORD kLargestBuffer = 32768;
    for (DWORD capacity = MAX_PATH;; capacity = (std::min)(capacity * 2, kLargestBuffer)) {
        WideString buffer(capacity, L'\0');
        const DWORD count = GetModuleFileNameW(nullptr, buffer.data(), capacity);
        if (count == 0) {
            return std::nullopt;
        }
        if (count < capacity) {
            return narrow(buffer.data(), count);
        }
        if (capacity == kLargestBuffer) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return std::nullopt;
        }
    }
}

bool local_time(std::time_t when, std::tm& result) {
    return localtime_s(&result, &when) == 0;
}

void sleep_millis(std::uint32_t millis) {
    Sleep(millis);
}

std::uint32_t process_id() {
    return GetCurrentProcessId();
}

} // namespace checker::platform
