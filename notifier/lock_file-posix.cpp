#include "lock_file-posix.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace notifier {

namespace {

class LockFile final : public MutexHandle {
public:
    explicit LockFile(int descriptor) : descriptor_(descriptor) {}
    ~LockFile() override { ::close(descriptor_); }
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

private:
    int descriptor_;
};

bool is_directory(const char* path) {
    struct stat info {};
    return path != nullptr && path[0] == '/' && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string lock_file_path(const std::string& name) {
    std::string file_name = name;
    std::replace(file_name.begin(), file_name.end(), '/', '_');
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    if (is_directory(runtime_dir)) {
        return std::string(runtime_dir) + "/" + file_name + ".lock";
    }
    // The temporary directory is shared by every user, so the name carries the user's id.
    std::error_code ignored;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ignored);
    if (temp.empty()) {
        temp = "/tmp";
    }
    return (temp / (file_name + "-" + std::to_string(::getuid()) + ".lock")).string();
}

std::unique_ptr<MutexHandle> open_lock_file(const std::string& name, std::uint32_t& error) {
    // Close-on-exec, so that the browser the notifier starts does not inherit the lock.
    const int descriptor =
        ::open(lock_file_path(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0) {
        error = static_cast<std::uint32_t>(errno);
        return nullptr;
    }
    auto handle = std::make_unique<LockFile>(descriptor);
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        // Only a lock held elsewhere reads as "already exists"; any other failure lets the run
        // go on as the single instance, as a failed CreateMutexW does.
        error = errno == EWOULDBLOCK ? EEXIST : static_cast<std::uint32_t>(errno);
        return handle;
    }
    error = 0;
    return handle;
}

} // namespace notifier
