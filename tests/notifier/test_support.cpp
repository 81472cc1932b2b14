#include "test_support.hpp"

#include "support/files.hpp"
#include "support/json.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace test {

namespace fs = std::filesystem;

DataHome::DataHome() {
    fs::create_directories(fs::u8path(update_dir()));
}

std::string DataHome::update_dir() const {
    return root_.path() +
           "/Quelvar/java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.windows.x86_64/update";
}

void DataHome::write_version(const checker::VersionDescriptor& version) const {
    checker::dump_json_file(checker::version_descriptor_to_json(version), version_path());
}

void DataHome::write_version_text(const std::string& content) const {
    std::ofstream(fs::u8path(version_path()), std::ios::binary) << content;
}

void DataHome::remove_update_dir() const {
    fs::remove_all(fs::u8path(root_.path() + "/Quelvar"));
}

checker::VersionDescriptor newer_version() {
    checker::VersionDescriptor version;
    version.package_name = "java-1.8.0-tavrik";
    version.version_string = "1.8.0.222-1.b10";
    version.version_number = 10821203005;
    version.ui_balloon_text = "Tavrik version 1.8.0.222-1.b10 is available for download";
    version.ui_update_header = version.ui_balloon_text;
    version.ui_update_text = "This version contains a number of security fixes.";
    return version;
}

std::string executable_dir() {
    return checker::strip_filename(checker::current_executable_path());
}

std::vector<std::string> trace_lines(const checker::Tracer& tracer) {
    std::vector<std::string> lines;
    const char* key = nullptr;
    json_t* value = nullptr;
    json_object_foreach(tracer.document().get(), key, value) {
        lines.emplace_back(json_string_value(value), json_string_length(value));
    }
    return lines;
}

std::vector<std::string> trace_file_lines(const std::string& path) {
    if (!file_exists(path)) {
        return {};
    }
    const checker::JsonPtr document = checker::load_json_file(path, 1u << 20);
    std::vector<std::string> lines;
    const char* key = nullptr;
    json_t* value = nullptr;
    json_object_foreach(document.get(), key, value) {
        lines.emplace_back(json_string_value(value), json_string_length(value));
    }
    return lines;
}

bool file_exists(const std::string& path) {
    return fs::exists(fs::u8path(path));
}

std::vector<std::string> lines_from(const std::vector<std::string>& lines,
                                    const std::string& first) {
    const auto start = std::find(lines.begin(), lines.end(), first);
    return std::vector<std::string>(start, lines.end());
}

} // namespace test
