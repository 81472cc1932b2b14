#include "files.hpp"

#include "encoding-platform.hpp"
#include "encoding.hpp"
#include "errors.hpp"
#include "files-platform.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

namespace checker {

FileHandle::FileHandle(std::string path, std::FILE* file, std::uint32_t read_limit)
    : path_(std::move(path)), file_(file), read_limit_(read_limit) {
    if (file_ == nullptr) {
        throw CheckerException("Invalid 'null' FILE specified");
    }
}

FileHandle::~FileHandle() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : path_(std::move(other.path_)), file_(std::exchange(other.file_, nullptr)),
      read_limit_(other.read_limit_), bytes_read_(other.bytes_read_),
      errors_(std::move(other.errors_)) {}

void FileHandle::add_error(const std::string& message) {
    if (message.empty()) {
        return;
    }
    if (!errors_.empty()) {
        errors_ += "\n";
    }
    errors_ += message;
}

std::size_t FileHandle::read(void* buffer, std::size_t size) {
    if (buffer == nullptr) {
        add_error("'null' buffer specified for 'read', filepath: [" + path_ + "]");
        return kReadError;
    }
    if (std::feof(file_)) {
        return 0;
    }
    const std::size_t count = std::fread(buffer, 1, size, file_);
    if (count == size || std::feof(file_)) {
        bytes_read_ += count;
        if (bytes_read_ <= read_limit_) {
            return count;
        }
        add_error("Read limit exceeded: [" + to_string(read_limit_) + "], filepath: [" + path_ +
                  "]");
        return kReadError;
    }
    add_error("'read' error: [" + std::string(std::strerror(errno)) + "], filepath: [" + path_ +
              "]");
    return kReadError;
}

int FileHandle::write(const void* data, std::size_t size) {
    if (data == nullptr) {
        add_error("'null' buffer specified for 'write', filepath: [" + path_ + "]");
        return -1;
    }
    if (std::fwrite(data, 1, size, file_) == size) {
        return 0;
    }
    add_error("'write' error: [" + std::string(std::strerror(errno)) + "], filepath: [" + path_ +
              "]");
    return -1;
}

bool FileHandle::commit() {
    if (platform::flush_stream(file_)) {
        return true;
    }
    add_error("'write' error: [" + std::string(std::strerror(errno)) + "], filepath: [" + path_ +
              "]");
    return false;
}

std::size_t file_read_callback(void* buffer, std::size_t size, void* handle) {
    if (handle == nullptr) {
        return FileHandle::kReadError;
    }
    return static_cast<FileHandle*>(handle)->read(buffer, size);
}

int file_write_callback(const char* data, std::size_t size, void* handle) {
    if (handle == nullptr) {
        return -1;
    }
    return static_cast<FileHandle*>(handle)->write(data, size);
}

FileHandle open_file(const std::string& path, const std::string& mode, std::uint32_t read_limit) {
    std::FILE* file = platform::open_stream(path, mode);
    if (file == nullptr) {
        throw CheckerException("Cannot open file: [" + path + "], with mode: [" + mode +
                               "], error: [" + errcode_to_string(platform::last_error()) + "]");
    }
    return FileHandle(path, file, read_limit);
}

bool file_exists(const std::string& path) {
    return platform::path_kind(path) == platform::PathKind::file;
}

void delete_file(const std::string& path) {
    platform::remove_file(path);
}

void delete_directory(const std::string& path) {
    platform::remove_empty_directory(path);
}

void create_directory(const std::string& path) {
    if (platform::make_directory(path)) {
        return;
    }
    const std::uint32_t code = platform::last_error();
    if (platform::is_already_exists(code)) {
        return;
    }
    throw CheckerException("Error getting creating dir, path: [" + path + "], error: [" +
                           errcode_to_string(code) + "]");
}

namespace {

[[noreturn]] void throw_cannot_write(const std::string& target) {
    throw CheckerException("Cannot open file: [" + target + "], with mode: [w], error: [" +
                           errcode_to_string(platform::last_error()) + "]");
}

} // namespace

// The process id keeps two runs that write the same target at once apart.
ReplacementFile::ReplacementFile(const std::string& target)
    : target_(target), temporary_(target + "." + to_string(platform::process_id()) + ".tmp") {
    std::FILE* file = platform::open_stream(temporary_, "w");
    if (file == nullptr) {
        throw_cannot_write(target_);
    }
    handle_.emplace(target_, file, 0);
}

ReplacementFile::~ReplacementFile() {
    handle_.reset();
    if (!replaced_) {
        platform::remove_file(temporary_);
    }
}

void ReplacementFile::replace_target() {
    handle_.reset();
    // A target that cannot be replaced (a directory, say) fails here as an in-place open would.
    if (!platform::rename_over(temporary_, target_)) {
        throw_cannot_write(target_);
    }
    replaced_ = true;
}

std::string get_userdata_dir() {
    auto dir = platform::userdata_dir();
    if (!dir) {
        throw CheckerException("Error getting userdata dir");
    }
    std::replace(dir->begin(), dir->end(), '\\', '/');
    return *dir + "/";
}

std::string current_executable_path() {
    auto path = platform::executable_path();
    if (!path) {
        throw CheckerException("Error getting current executable dir, error: [" +
                               errcode_to_string(platform::last_error()) + "]");
    }
    return *path;
}

std::string strip_filename(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(0, separator + 1);
}

std::string current_datetime() {
    std::tm local{};
    if (!platform::local_time(std::time(nullptr), local)) {
        return {};
    }
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d_%H:%M:%S", &local);
    return std::string(buffer, length);
}

void sleep_millis(std::uint32_t millis) {
    platform::sleep_millis(millis);
}

std::uint32_t current_process_id() {
    return platform::process_id();
}

} // namespace checker
