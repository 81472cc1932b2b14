#include "version_descriptor.hpp"

#include <tuple>

namespace checker {

bool VersionDescriptor::operator==(const VersionDescriptor& other) const {
    auto fields = [](const VersionDescriptor& d) {
        return std::tie(d.package_name, d.package_description, d.os_name, d.os_arch,
                        d.version_string, d.version_number, d.ui_balloon_text, d.ui_update_header,
                        d.ui_update_text);
    };
    return fields(*this) == fields(other);
}

VersionDescriptor version_descriptor_from_json(const JsonPtr& document) {
    VersionDescriptor descriptor;
    descriptor.package_name = get_json_string(document, "package_name", "");
    descriptor.package_description = get_json_string(document, "package_description", "");
    descriptor.os_name = get_json_string(document, "os_name", "");
    descriptor.os_arch = get_json_string(document, "os_arch", "");
    descriptor.version_string = get_json_string(document, "version_string", "");
    descriptor.version_number = get_json_uint64(document, "version_number", 0);
    descriptor.ui_balloon_text = get_json_string(document, "ui_balloon_text", "");
    descriptor.ui_update_header = get_json_string(document, "ui_update_header", "");
    descriptor.ui_update_text = get_json_string(document, "ui_update_text", "");
    return descriptor;
}

JsonPtr version_descriptor_to_json(const VersionDescriptor& descriptor) {
    JsonPtr document = create_json_object();
    set_json_string(document, "package_name", descriptor.package_name);
    set_json_string(document, "package_description", descriptor.package_description);
    set_json_string(document, "os_name", descriptor.os_name);
    set_json_string(document, "os_arch", descriptor.os_arch);
    set_json_string(document, "version_string", descriptor.version_string);
    set_json_integer(document, "version_number", descriptor.version_number);
    set_json_string(document, "ui_balloon_text", descriptor.ui_balloon_text);
    set_json_string(document, "ui_update_header", descriptor.ui_update_header);
    set_json_string(document, "ui_update_text", descriptor.ui_update_text);
    return document;
}

} // namespace checker
