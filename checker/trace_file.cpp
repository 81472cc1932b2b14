#include "checker/trace_file.hpp"

#include "checker/update_paths.hpp"
#include "support/files.hpp"
#include "support/json.hpp"

#include <exception>
#include <iostream>

namespace checker {

void write_trace_file(const CheckerConfig& config, const Tracer& tracer) noexcept {
    if (!tracer.is_enabled()) {
        return;
    }
    try {
        // No directory is created here: only a run that prepared the update directory leaves a
        // trace.
        const std::string path = make_update_paths(get_userdata_dir(), config).trace_file;
        dump_json_file(tracer.document(), path);
        std::cout << "Trace written, path: [" << path << "]" << std::endl;
    } catch (...) {
        // The trace is optional; the run's outcome is already decided.
    }
}

} // namespace checker
