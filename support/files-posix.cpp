#include "files-platform.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace checker::platform {

std::FILE* open_stream(const std::string& path, const std::string& mode) {
    return std::fopen(path.c_str(), mode.c_str());
}

bool flush_stream(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
}

PathKind path_kind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return PathKind::missing;
    }
    return S_ISDIR(info.st_mode) ? PathKind::directory : PathKind::file;
}

void remove_file(const std::string& path) {
    ::unlink(path.c_str());
}

void remove_empty_directory(const std::string& path) {
    ::rmdir(path.c_str());
}

bool make_directory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool is_already_exists(std::uint32_t code) {
    return code == EEXIST;
}

bool rename_over(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

namespace {

// Creates every missing level of an absolute path, as the known-folder call creates its folder.
bool make_directory_chain(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (::mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return path_kind(path) == PathKind::directory;
}

std::string without_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

std::optional<std::string> userdata_dir() {
    std::string dir;
    const char* data_home = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data_home != nullptr && data_home[0] == '/') {
        dir = data_home;
    } else if (home != nullptr && home[0] == '/') {
        dir = std::string(home) + "/.local/share";
    } else {
        errno = ENOENT;
        return std::nullopt;
    }
    dir = without_trailing_slashes(dir);
    if (!make_directory_chain(dir)) {
        return std::nullopt;
    }
    return dir == "/" ? std::string() : dir;
}

std::optional<std::string> executable_path() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool local_time(std::time_t when, std::tm& result) {
    return ::localtime_r(&when, &result) != nullptr;
}

void sleep_millis(std::uint32_t millis) {
    timespec pause{static_cast<time_t>(millis / 1000), static_cast<long>(millis % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

std::uint32_t process_id() {
    return static_cast<std::uint32_t>(::getpid());
}

} // namespace checker::platform
