#include "checker/update_paths.hpp"

namespace checker {

UpdatePaths make_update_paths(const std::string& userdata_dir, const CheckerConfig& config) {
    UpdatePaths paths;
    paths.vendor_dir = userdata_dir + config.vendor_name;
    paths.application_dir = paths.vendor_dir + "/" + config.application_name;
    paths.update_dir = paths.application_dir + "/update";
    paths.version_file = paths.update_dir + "/version.json";
    paths.trace_file = paths.update_dir + "/trace.json";
    return paths;
}

} // namespace checker
