#include "resource_files-posix.hpp"

#include "shell_constants.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace notifier {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

// The first bytes of a file; false with errno set when it cannot be read that far.
bool read_head(const std::string& path, unsigned char* head, std::size_t size) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    if (std::fread(head, 1, size, file.get()) != size) {
        // A read error leaves its own errno; a file that is too short is no picture.
        if (std::ferror(file.get()) == 0) {
            errno = EINVAL;
        }
        return false;
    }
    return true;
}

std::int32_t read_int32(const unsigned char* bytes) {
    const std::uint32_t value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                (static_cast<std::uint32_t>(bytes[3]) << 24);
    return static_cast<std::int32_t>(value);
}

bool is_png(const std::string& path) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    unsigned char head[8];
    if (!read_head(path, head, sizeof head)) {
        return false;
    }
    if (std::memcmp(head, kSignature, sizeof head) != 0) {
        errno = EINVAL;
        return false;
    }
    return true;
}

// A Windows bitmap file with an info header of positive width and a height.
bool is_bmp(const std::string& path) {
    unsigned char head[26];
    if (!read_head(path, head, sizeof head)) {
        return false;
    }
    const std::int32_t header_size = read_int32(head + 14);
    const bool valid = head[0] == 'B' && head[1] == 'M' && header_size >= 40 &&
                       read_int32(head + 18) > 0 && read_int32(head + 22) != 0;
    if (!valid) {
        errno = EINVAL;
    }
    return valid;
}

template <typename Handle>
std::string lookup(const std::vector<std::string>& paths, Handle handle) {
    const auto index = static_cast<std::uintptr_t>(handle);
    return index >= 1 && index <= paths.size() ? paths[index - 1] : std::string();
}

} // namespace

ResourceFiles::ResourceFiles(std::string icon_directory)
    : icon_directory_(std::move(icon_directory)) {}

std::string ResourceFiles::icon_file(std::uint16_t id) const {
    return id == kNotificationIconId ? icon_directory_ + "notifier.png" : std::string();
}

IconHandle ResourceFiles::load_icon(std::uint16_t id, std::uint32_t& error) {
    const std::string path = icon_file(id);
    if (path.empty()) {
        error = ENOENT;
        return IconHandle::none;
    }
    if (!is_png(path)) {
        error = static_cast<std::uint32_t>(errno);
        return IconHandle::none;
    }
    icons_.push_back(path);
    return static_cast<IconHandle>(icons_.size());
}

ImageHandle ResourceFiles::load_bitmap(const std::string& path, std::uint32_t& error) {
    if (!is_bmp(path)) {
        error = static_cast<std::uint32_t>(errno);
        return ImageHandle::none;
    }
    images_.push_back(path);
    return static_cast<ImageHandle>(images_.size());
}

std::string ResourceFiles::icon_path(IconHandle icon) const {
    return lookup(icons_, icon);
}

std::string ResourceFiles::image_path(ImageHandle image) const {
    return lookup(images_, image);
}

} // namespace notifier
