// Files by UTF-8 path, the few directory operations both programs need, their two base directories
// and the local time as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace checker {

// Owns one open C stream; reads stop at a byte limit, failures collect in errors().
class FileHandle {
public:
    // The value read() returns on failure.
    static constexpr std::size_t kReadError = static_cast<std::size_t>(-1);

    FileHandle(std::string path, std::FILE* file, std::uint32_t read_limit);
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&&) = delete;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Bytes delivered, 0 at end of file, kReadError on failure or once the limit is passed.
    std::size_t read(void* buffer, std::size_t size);
    // 0 when every byte was accepted, -1 otherwise.
    int write(const void* data, std::size_t size);
    // Pushes buffered bytes to the disk; false (with the failure in errors()) when that fails.
    bool commit();

    const std::string& path() const { return path_; }
    const std::string& errors() const { return errors_; }

private:
    void add_error(const std::string& message);

    std::string path_;
    std::FILE* file_;
    std::uint32_t read_limit_;
    std::uint64_t bytes_read_ = 0;
    std::string errors_;
};

// The shapes of jansson's load and dump callbacks, with a FileHandle as the opaque data.
std::size_t file_read_callback(void* buffer, std::size_t size, void* handle);
int file_write_callback(const char* data, std::size_t size, void* handle);

FileHandle open_file(const std::string& path, const std::string& mode, std::uint32_t read_limit);

// A file written beside its target and put in the target's place in one step once it is complete,
// so that the target is always either the old or the new whole file. Messages name the target, as
// they would for a file opened with mode "w" in place; a temporary file never outlives the owner.
class ReplacementFile {
public:
    explicit ReplacementFile(const std::string& target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    FileHandle& handle() { return *handle_; }
    // Puts the written bytes in the target's place; the handle is closed afterwards.
    void replace_target();

private:
    std::string target_;
    std::string temporary_;
    std::optional<FileHandle> handle_;
    bool replaced_ = false;
};

// True when something that is not a directory is there.
bool file_exists(const std::string& path);
// Failures are ignored: the caller only wants the thing gone if it can go.
void delete_file(const std::string& path);
// Removes an empty directory only; failures are ignored.
void delete_directory(const std::string& path);
// One level; an existing directory (or file) of that name is accepted.
void create_directory(const std::string& path);

// "/"-separated, ending in "/"; created when missing.
std::string get_userdata_dir();
std::string current_executable_path();
// Up to and including the last "/" or "\"; the whole text when there is none.
std::string strip_filename(const std::string& path);
// Local time as YYYY-MM-DD_HH:MM:SS.
std::string current_datetime();
void sleep_millis(std::uint32_t millis);
std::uint32_t current_process_id();

} // namespace checker
