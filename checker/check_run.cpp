#include "checker/check_run.hpp"

#include "checker/http_fetch.hpp"
#include "checker/json_allocation_watch.hpp"
#include "checker/trace_file.hpp"
#include "checker/trace_text.hpp"
#include "checker/update_paths.hpp"
#include "support/errors.hpp"
#include "support/files.hpp"
#include "support/json.hpp"
#include "support/tracer.hpp"

#include <exception>
#include <iostream>

namespace checker {

namespace {

int check_mode(const CheckerConfig& config, Tracer& tracer) {
    std::string local_path;
    std::uint64_t shown_version = 0;
    try {
        local_path = local_version_path(config);
        trace(tracer, "local version path resolved, path: [" + local_path + "]");
        const VersionDescriptor local =
            load_local_descriptor(local_path, config.max_json_size_bytes);
        shown_version = local.version_number;
        const std::string local_number = to_string(local.version_number);
        trace(tracer, "local version loaded, version number: [" + local_number + "]");
        trace(tracer, "EVENT_LOCALVERSION " + local_number);

        const JsonPtr remote_document = fetch_remote_json(config, tracer);
        const VersionDescriptor remote = version_descriptor_from_json(remote_document);
        const std::string remote_number = to_string(remote.version_number);
        trace(tracer, "remote version loaded, version number: [" + remote_number + "]");
        trace(tracer, "EVENT_REMOTEVERSION " + remote_number);

        if (remote.version_number > local.version_number) {
            dump_json_file(version_descriptor_to_json(remote), local_path);
            trace(tracer, "remote version written, path: [" + local_path + "]");
            trace(tracer, "EVENT_WRITTEN " + local_path);
            std::cout << current_datetime() << " INFO: new version descriptor obtained: ["
                      << local_path << "] old version_number: [" << local_number
                      << "], new version number: [" << remote_number << "]" << std::endl;
        }
        write_trace_file(config, tracer);
        return 0;
    } catch (const std::exception& e) {
        trace(tracer, std::string("ERROR: ") + e.what());
        std::cerr << current_datetime() << " ERROR: " << e.what() << "; local version, path: ["
                  << local_path << "], version_number: [" << shown_version << "]" << std::endl;
        write_trace_file(config, tracer);
        return 1;
    }
}

} // namespace

std::string local_version_path(const CheckerConfig& config) {
    const UpdatePaths paths = make_update_paths(get_userdata_dir(), config);
    create_directory(paths.vendor_dir);
    create_directory(paths.application_dir);
    create_directory(paths.update_dir);
    return paths.version_file;
}

VersionDescriptor load_local_descriptor(const std::string& path, std::uint32_t read_limit) {
    if (!file_exists(path)) {
        return VersionDescriptor{};
    }
    return version_descriptor_from_json(load_intact_json_file(path, read_limit));
}

void delete_update_files(const CheckerConfig& config) {
    const UpdatePaths paths = make_update_paths(get_userdata_dir(), config);
    delete_file(paths.version_file);
    delete_file(paths.trace_file);
    delete_directory(paths.update_dir);
    delete_directory(paths.application_dir);
    delete_directory(paths.vendor_dir);
}

int run_checker(const CheckerOptions& options) {
    try {
        const std::string executable_dir = strip_filename(current_executable_path());
        const std::string config_path = resolve_config_path(options, executable_dir);
        const CheckerConfig config = load_checker_config(
            load_intact_json_file(config_path, kConfigReadLimit), executable_dir);
        Tracer tracer(config.system_trace_enable);
        trace(tracer, "EVENT_PID " + to_string(current_process_id()));
        trace(tracer, "config loaded from path: [" + config_path + "]");
        if (options.delete_requested != 0) {
            delete_update_files(config);
            return 0;
        }
        return check_mode(config, tracer);
    } catch (const std::exception& e) {
        std::cerr << current_datetime() << " ERROR: " << e.what() << std::endl;
        return 1;
    }
}

} // namespace checker
