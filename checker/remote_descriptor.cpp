#include "checker/remote_descriptor.hpp"

#include "support/errors.hpp"

#include <vector>

namespace checker {

namespace {

constexpr const char* kUpdateText =
    "This version contains a number of security fixes.\n\n"
    "To proceed with download and installation please follow a link above, download page will be "
    "opened inside your web-browser.\n\n"
    "To change a schedule of this notification please see 'Quelvar_jdk_update_checker' and "
    "'Quelvar_jdk_update_notifier' tasks in 'Task Scheduler'.\n\n"
    "To disable this notification permanently please select the installed application in "
    "'Programs and Features' with a right-click, choose 'Change' and disable 'Update Notifier' "
    "installation feature.";

CheckerException version_error() {
    return CheckerException("Cannot extract version from DM response");
}

std::string padded(std::uint32_t number, std::size_t width) {
    std::string text = to_string(number);
    return pad_left(text, width, '0');
}

// The build tag's first character is skipped unseen (b04, c04), and one "0" after it.
std::uint32_t parse_build_tag(const std::string& tag) {
    if (tag.size() < 2) {
        throw CheckerException("Cannot extract 'build' from DM response");
    }
    const std::size_t start = tag[1] == '0' ? 2 : 1;
    return parse_uint32(tag.substr(start));
}

} // namespace

const json_t* extract_featured_artifact(const json_t* response) {
    const json_t* first = json_array_get(response, 0);
    const json_t* artifact =
        json_is_object(first) ? json_object_get(first, "featuredArtifact") : nullptr;
    if (!json_is_object(artifact)) {
        throw CheckerException("Cannot extract 'featuredArtifact' from DM response");
    }
    return artifact;
}

ArtifactVersion parse_artifact_url(const json_t* artifact) {
    const json_t* member = json_object_get(artifact, "url");
    const std::string url = json_is_string(member)
                                ? std::string(json_string_value(member), json_string_length(member))
                                : std::string();
    if (url.empty() || !ends_with(url, ".zip")) {
        throw version_error();
    }
    const std::vector<std::string> segments = split(url, '/');
    if (segments.size() < 3) {
        throw version_error();
    }
    const std::string& name = segments.back();
    if (!starts_with(name, "java-") || !ends_with(name, ".zip")) {
        throw version_error();
    }
    const std::vector<std::string> fields = split(name, '-');
    if (fields.size() != 5) {
        throw version_error();
    }
    const std::vector<std::string> version_items = split(fields[3], '.');
    if (version_items.size() < 3) {
        throw version_error();
    }
    const std::vector<std::string> release_items = split(fields[4], '.');
    if (release_items.size() < 5) {
        throw version_error();
    }
    ArtifactVersion version;
    version.major = parse_uint32(version_items[0]);
    if (version.major == 1) {
        version.major = parse_uint32(version_items[1]);
    }
    version.update = parse_uint32(version_items.back());
    version.build = parse_build_tag(release_items[1]);
    version.release = parse_uint32(release_items[0]);
    version.os_arch = release_items[release_items.size() - 2];
    return version;
}

std::string format_version_string(const ArtifactVersion& version) {
    return "1." + to_string(version.major) + ".0." + to_string(version.update) + "-" +
           to_string(version.release) + ".b" + padded(version.build, 2);
}

std::uint64_t pack_version_number(const ArtifactVersion& version) {
    return parse_uint64("1" + padded(version.major, 2) + padded(version.update, 3) +
                        padded(version.release, 2) + padded(version.build, 3));
}

JsonPtr convert_remote_descriptor(JsonPtr value) {
    if (!json_is_array(value.get())) {
        return value;
    }
    JsonPtr descriptor = create_json_object();
    const ArtifactVersion version = parse_artifact_url(extract_featured_artifact(value.get()));
    const std::string version_string = format_version_string(version);
    const std::string balloon = "Tavrik version " + version_string + " is available for download";
    set_json_string(descriptor, "package_name", "java-1." + to_string(version.major) + ".0-tavrik");
    set_json_string(descriptor, "package_description", "Tavrik runtime");
    set_json_string(descriptor, "os_name", "Windows");
    set_json_string(descriptor, "os_arch", version.os_arch);
    set_json_string(descriptor, "version_string", version_string);
    set_json_integer(descriptor, "version_number", pack_version_number(version));
    set_json_string(descriptor, "ui_balloon_text", balloon);
    set_json_string(descriptor, "ui_update_header", balloon);
    set_json_string(descriptor, "ui_update_text", kUpdateText);
    return descriptor;
}

} // namespace checker
