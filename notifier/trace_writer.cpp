#include "trace_writer.hpp"

#include "resource_loader.hpp"
#include "support/files.hpp"
#include "support/json.hpp"

#include <exception>

namespace notifier {

void write_trace_file(Notifier& notifier) {
    if (!notifier.tracer.is_enabled()) {
        return;
    }
    try {
        const std::string path =
            checker::get_userdata_dir() +
            checker::narrow(load_resource_string(notifier, kStringVendor)) + "/" +
            checker::narrow(load_resource_string(notifier, kStringApplication)) +
            "/update/trace.json";
        checker::dump_json_file(notifier.tracer.document(), path);
    } catch (const std::exception&) {
        // A trace that cannot be written is simply absent; the run goes on.
    }
}

} // namespace notifier
