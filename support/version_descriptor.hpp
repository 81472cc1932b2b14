// The record stored in version.json: which build is available and what the user is told about it.
#pragma once

#include "json.hpp"

#include <cstdint>
#include <string>

namespace checker {

// version_number packs 1, major (2 digits), update (3), release (2) and build (3) so that a larger
// number is a newer build. The default value stands for no known version.
struct VersionDescriptor {
    std::string package_name;
    std::string package_description;
    std::string os_name;
    std::string os_arch;
    std::string version_string;
    std::uint64_t version_number = 0;
    std::string ui_balloon_text;
    std::string ui_update_header;
    std::string ui_update_text;

    bool operator==(const VersionDescriptor& other) const;
};

// Never fails: missing or mistyped members read as empty text or 0.
VersionDescriptor version_descriptor_from_json(const JsonPtr& document);
// Members in the order of the record.
JsonPtr version_descriptor_to_json(const VersionDescriptor& descriptor);

} // namespace checker
