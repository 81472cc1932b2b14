// The notifier's pictures on Linux: the icon resource is a PNG file and the balloon picture a BMP
// file, both beside the executable. A handle stands for a file that was found readable and of the
// right kind; the object keeps the paths for as long as it lives.
#pragma once

#include "shell_types.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace notifier {

class ResourceFiles {
public:
    // icon_directory holds the icon resources, ending in a separator.
    explicit ResourceFiles(std::string icon_directory);

    // The file of an icon resource, whether it exists or not; empty for an unknown resource.
    std::string icon_file(std::uint16_t id) const;
    // Null with an errno code in error when the file is missing, unreadable or not a PNG image.
    IconHandle load_icon(std::uint16_t id, std::uint32_t& error);
    // Null with an errno code in error when the file is missing, unreadable or not a BMP image.
    ImageHandle load_bitmap(const std::string& path, std::uint32_t& error);

    // The files behind handles this object issued; empty for any other handle.
    std::string icon_path(IconHandle icon) const;
    std::string image_path(ImageHandle image) const;

private:
    std::string icon_directory_;
    std::vector<std::string> icons_;
    std::vector<std::string> images_;
};

} // namespace notifier
