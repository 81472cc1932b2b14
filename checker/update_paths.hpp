// The directories and files below the user's data directory that the checker creates and removes.
#pragma once

#include "checker/config.hpp"

#include <string>

namespace checker {

struct UpdatePaths {
    std::string vendor_dir;
    std::string application_dir;
    std::string update_dir;
    std::string version_file;
    std::string trace_file;
};

// Plain concatenation onto userdata_dir (which ends in "/"), names used exactly as configured.
UpdatePaths make_update_paths(const std::string& userdata_dir, const CheckerConfig& config);

} // namespace checker
