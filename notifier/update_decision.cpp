#include "update_decision.hpp"

#include "resource_loader.hpp"
#include "support/errors.hpp"
#include "support/files.hpp"
#include "support/json.hpp"
#include "support/version_descriptor.hpp"

#include <cstdint>
#include <exception>
#include <string>

namespace notifier {

namespace {

constexpr std::uint32_t kVersionFileLimit = 32768;

// Traces a value read from version.json twice: once for people, once as a marker.
void trace_content(checker::Tracer& tracer, const std::string& field, const std::string& marker,
                   const std::string& value) {
    tracer.trace("version contents, " + field + ": [" + value + "]");
    tracer.trace(marker + " " + value);
}

bool decide(Notifier& notifier) {
    checker::Tracer& tracer = notifier.tracer;
    // The shipped number is traced as read and parsed last, so that a bad one still lets every
    // value of version.json into the trace.
    const std::string shipped =
        checker::narrow(load_resource_string(notifier, kStringShippedVersion));
    tracer.trace("shipped version extracted, version_number: [" + shipped + "]");
    tracer.trace("EVENT_SHIPPEDVERSION " + shipped);

    const std::string data_dir = checker::get_userdata_dir();
    const std::string vendor = checker::narrow(load_resource_string(notifier, kStringVendor));
    const std::string application =
        checker::narrow(load_resource_string(notifier, kStringApplication));
    const std::string path = data_dir + vendor + "/" + application + "/update/version.json";
    tracer.trace("loading version from file, path: [" + path + "]");
    tracer.trace("EVENT_LOCALPATH " + path);

    const checker::VersionDescriptor version =
        checker::version_descriptor_from_json(checker::load_json_file(path, kVersionFileLimit));
    tracer.trace("version loaded successfully");

    trace_content(tracer, "balloon_text", "EVENT_CONTENTBALLOON", version.ui_balloon_text);
    notifier.balloon_text = checker::widen(version.ui_balloon_text);
    trace_content(tracer, "update_header", "EVENT_CONTENTUPDATEHEADER", version.ui_update_header);
    notifier.update_header = checker::widen(version.ui_update_header);
    trace_content(tracer, "update_text", "EVENT_CONTENTUPDATETEXT", version.ui_update_text);
    notifier.update_text = checker::widen(version.ui_update_text);
    trace_content(tracer, "version_number", "EVENT_CONTENTVERSION",
                  checker::to_string(version.version_number));

    const std::string icon_path =
        checker::strip_filename(checker::current_executable_path()) + "icon.bmp";
    notifier.balloon_icon_path = checker::widen(icon_path);
    tracer.trace("balloon icon resolved, path: [" + icon_path + "]");

    return version.version_number > checker::parse_uint64(shipped);
}

} // namespace

bool decide_update(Notifier& notifier) {
    try {
        return decide(notifier);
    } catch (const std::exception& error) {
        try {
            notifier.tracer.trace(std::string("ERROR: ") + error.what());
        } catch (const std::exception&) {
            // The message itself cannot be traced (it is not UTF-8); the answer stays NOGO.
        }
        return false;
    }
}

} // namespace notifier
