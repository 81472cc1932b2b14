// What the file layer needs from the system. Paths arrive as UTF-8; the Windows side widens them.
// Every operation that fails leaves its code for platform::last_error() (encoding-platform.hpp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

namespace checker::platform {

// An open stream, or null; no sharing restriction on the file.
std::FILE* open_stream(const std::string& path, const std::string& mode);
// Flushes the stream's buffer and asks the system to put the bytes on the disk.
bool flush_stream(std::FILE* file);

enum class PathKind { missing, file, directory };
PathKind path_kind(const std::string& path);
void remove_file(const std::string& path);
void remove_empty_directory(const std::string& path);
bool make_directory(const std::string& path);
// The code make_directory fails with when the name is taken.
bool is_already_exists(std::uint32_t code);
// Atomic replace of target by source.
bool rename_over(const std::string& source, const std::string& target);

// The user's local data directory without a trailing separator, created when missing.
std::optional<std::string> userdata_dir();
std::optional<std::string> executable_path();

bool local_time(std::time_t when, std::tm& result);
void sleep_millis(std::uint32_t millis);
std::uint32_t process_id();

} // namespace checker::platform
