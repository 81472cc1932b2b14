// The remote descriptor conversion on arbitrary JSON values, and on DM responses built around an
// arbitrary artifact URL. Non-arrays come back untouched; an array either becomes a complete
// descriptor whose parts agree with each other and survive a round trip, or fails with one of the
// conversion's documented messages.
#include "checker/remote_descriptor.hpp"
#include "fuzz/fuzz_support.hpp"
#include "support/errors.hpp"
#include "support/version_descriptor.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace checker::fuzz {
namespace {

constexpr std::array<const char*, 9> kMembers{
    "package_name",   "package_description", "os_name",          "os_arch",       "version_string",
    "version_number", "ui_balloon_text",     "ui_update_header", "ui_update_text"};

bool documented_failure(const std::string& message) {
    static const std::array<const char*, 3> whole{
        "Cannot extract 'featuredArtifact' from DM response",
        "Cannot extract version from DM response", "Cannot extract 'build' from DM response"};
    static const std::array<const char*, 4> leads{
        "Cannot parse uint32_t from string: [", "Value overflow for uint32_t from string: [",
        "Cannot parse uint64_t from string: [",
        "Invalid negative value for uint64_t from string: ["};
    for (const char* text : whole) {
        if (message == text) {
            return true;
        }
    }
    for (const char* lead : leads) {
        // what() ends at a NUL in the quoted text, so the closing bracket is not required.
        if (starts_with(message, lead)) {
            return true;
        }
    }
    return false;
}

std::string string_member(const json_t* object, const char* key) {
    const json_t* member = json_object_get(object, key);
    return json_is_string(member)
               ? std::string(json_string_value(member), json_string_length(member))
               : std::string();
}

void check_descriptor(const JsonPtr& descriptor, const std::string& url) {
    const json_t* object = descriptor.get();
    check(json_is_object(object), "the conversion returned something but an object");
    check(json_object_size(object) == kMembers.size(), "the descriptor has other members");
    std::size_t index = 0;
    const char* key = nullptr;
    json_t* member = nullptr;
    json_object_foreach(descriptor.get(), key, member) {
        check(json_is_string(member) || json_is_integer(member), "a member of another type");
        check(std::string(key) == kMembers[index++], std::string("member out of order: ") + key);
    }
    const VersionDescriptor parsed = version_descriptor_from_json(descriptor);
    check(json_equal(version_descriptor_to_json(parsed).get(), object) != 0,
          "the descriptor does not survive a round trip through VersionDescriptor");
    const std::string version = parsed.version_string;
    check(parsed.ui_balloon_text == "Tavrik version " + version + " is available for download",
          "balloon text does not carry the version string");
    check(parsed.ui_update_header == parsed.ui_balloon_text, "header differs from the balloon");
    check(parsed.os_name == "Windows" && parsed.package_description == "Tavrik runtime",
          "fixed members changed");
    // version_string is 1.<major>.0.<update>-<release>.b<build>; package_name names the major.
    const std::string major = version.substr(2, version.find('.', 2) - 2);
    check(starts_with(version, "1.") && parsed.package_name == "java-1." + major + ".0-tavrik",
          "package name and version string disagree: " + parsed.package_name + " / " + version);
    const std::string number = to_string(parsed.version_number);
    check(number.size() >= 11 && number[0] == '1', "packed number has the wrong shape: " + number);
    check(!parsed.os_arch.empty() && url.find(parsed.os_arch) != std::string::npos,
          "os_arch is not part of the URL");
    check(ends_with(url, ".zip"), "a URL without .zip converted");
    const std::string name = url.substr(url.find_last_of('/') + 1);
    check(starts_with(name, "java-"), "a file name without java- converted");
}

void convert_and_check(JsonPtr value, const std::string& url) {
    const json_t* original = value.get();
    const bool is_array = json_is_array(original);
    const Outcome outcome = capture([&] { return convert_remote_descriptor(std::move(value)); });
    if (!is_array) {
        check(!outcome.threw && outcome.value.get() == original,
              "a value that is not an array did not come back unchanged");
        return;
    }
    if (outcome.threw) {
        check(documented_failure(outcome.message), "undocumented failure: " + outcome.message);
        return;
    }
    check_descriptor(outcome.value, url);
}

JsonPtr dm_response(const std::string& url) {
    JsonPtr response(json_pack("[{s:{s:s%}}]", "featuredArtifact", "url", url.data(), url.size()));
    return response;
}

} // namespace
} // namespace checker::fuzz

// Byte 0 picks the form: even, the rest is a JSON text of any value; odd, the rest is the URL of
// the featured artifact in an otherwise well-formed DM response.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace checker;
    using namespace checker::fuzz;
    if (size == 0) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1u) == 0) {
        json_error_t error{};
        JsonPtr value(json_loadb(rest.data(), rest.size(), kJsonLoadFlags, &error));
        if (!value) {
            return 0;
        }
        const json_t* first = json_array_get(value.get(), 0);
        const std::string url = string_member(
            json_object_get(json_is_object(first) ? first : nullptr, "featuredArtifact"), "url");
        convert_and_check(std::move(value), url);
    } else {
        JsonPtr response = dm_response(rest);
        if (!response) {
            return 0; // not valid UTF-8: jansson refuses the string, no DM response can hold it
        }
        convert_and_check(std::move(response), rest);
    }
    return 0;
}
