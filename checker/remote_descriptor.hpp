// The conversion of the update service's answer (the DM response, a JSON array) into the JSON form
// of a version descriptor. Everything is derived from the featured artifact's file name, e.g.
// java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.windows.x86_64.zip.
#pragma once

#include "support/json.hpp"

#include <cstdint>
#include <string>

namespace checker {

struct ArtifactVersion {
    std::uint32_t major = 0;
    std::uint32_t update = 0;
    std::uint32_t build = 0;
    std::uint32_t release = 0;
    std::string os_arch;
};

// The checker's json_load_hook: an array becomes a new descriptor object (the array's reference is
// dropped); any other value, null included, comes back unchanged.
JsonPtr convert_remote_descriptor(JsonPtr value);

// Element 0's "featuredArtifact" object, borrowed from the array.
const json_t* extract_featured_artifact(const json_t* response);
ArtifactVersion parse_artifact_url(const json_t* artifact);
// E.g. 1.8.0.212-3.b04.
std::string format_version_string(const ArtifactVersion& version);
// "1", major (2 digits), update (3), release (2), build (3) read as one number, e.g. 10821203004.
std::uint64_t pack_version_number(const ArtifactVersion& version);

} // namespace checker
