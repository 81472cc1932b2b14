#include "checker/remote_descriptor.hpp"
#include "support/version_descriptor.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace checker {
namespace {

JsonPtr parse(const std::string& text) {
    json_error_t error{};
    JsonPtr value(json_loads(text.c_str(), JSON_DECODE_ANY, &error));
    if (!value) {
        ADD_FAILURE() << "fixture is not JSON: " << text << ": " << error.text;
    }
    return value;
}

JsonPtr response_with_url(const std::string& url) {
    JsonPtr artifact = create_json_object();
    set_json_string(artifact, "url", url);
    JsonPtr element = create_json_object();
    json_object_set(element.get(), "featuredArtifact", artifact.get());
    JsonPtr response(json_array());
    json_array_append(response.get(), element.get());
    return response;
}

std::string error_of(JsonPtr value) {
    try {
        convert_remote_descriptor(std::move(value));
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

TEST(ConvertRemoteDescriptor, BuildsTheWholeDescriptorFromTheFeaturedArtifact) {
    JsonPtr converted = convert_remote_descriptor(parse(R"([
        {"featuredArtifact": {"url": "https://d.example/a/java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.windows.x86_64.zip",
                              "size": 1},
         "other": true},
        "ignored"])"));
    const char* expected =
        "{\n"
        "    \"package_name\": \"java-1.8.0-tavrik\",\n"
        "    \"package_description\": \"Tavrik runtime\",\n"
        "    \"os_name\": \"Windows\",\n"
        "    \"os_arch\": \"x86_64\",\n"
        "    \"version_string\": \"1.8.0.212-3.b04\",\n"
        "    \"version_number\": 10821203004,\n"
        "    \"ui_balloon_text\": \"Tavrik version 1.8.0.212-3.b04 is available for download\",\n"
        "    \"ui_update_header\": \"Tavrik version 1.8.0.212-3.b04 is available for download\",\n"
        "    \"ui_update_text\": \"This version contains a number of security fixes.\\n\\nTo "
        "proceed with download and installation please follow a link above, download page will "
        "be opened inside your web-browser.\\n\\nTo change a schedule of this notification please "
        "see 'Quelvar_jdk_update_checker' and 'Quelvar_jdk_update_notifier' tasks in 'Task "
        "Scheduler'.\\n\\nTo disable this notification permanently please select the installed "
        "application in 'Programs and Features' with a right-click, choose 'Change' and disable "
        "'Update Notifier' installation feature.\"\n"
        "}";
    std::unique_ptr<char, decltype(&free)> text(json_dumps(converted.get(), kJsonDumpFlags), free);
    EXPECT_STREQ(text.get(), expected);
}

TEST(ConvertRemoteDescriptor, PassesEveryValueThatIsNotAnArrayThrough) {
    for (const char* text : {R"({"version_number": 5})", "17", "\"text\"", "null", "true"}) {
        SCOPED_TRACE(text);
        JsonPtr value = parse(text);
        json_t* raw = value.get();
        JsonPtr result = convert_remote_descriptor(std::move(value));
        EXPECT_EQ(result.get(), raw);
    }
    EXPECT_EQ(convert_remote_descriptor(JsonPtr()), nullptr);
}

TEST(ConvertRemoteDescriptor, RefusesResponsesWithoutAFeaturedArtifact) {
    for (const char* text :
         {"[]", R"(["text", {"featuredArtifact": {"url": "x"}}])", R"([{"featured": {}}])",
          R"([{"featuredArtifact": "https://d.example/java-1.8.0-t-1.8.0.1-1.b01.a.b.zip"}])"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(error_of(parse(text)), "Cannot extract 'featuredArtifact' from DM response");
    }
    EXPECT_EQ(error_of(parse(R"([{"featuredArtifact": {"link": "x"}}])")),
              "Cannot extract version from DM response");
    EXPECT_EQ(error_of(parse(R"([{"featuredArtifact": {"url": 5}}])")),
              "Cannot extract version from DM response");
}

struct UrlCase {
    std::string url;
    std::string version_string; // empty when the error below is expected
    std::uint64_t version_number;
    std::string error;
};

TEST(ConvertRemoteDescriptor, ReadsTheVersionFromTheArtifactFileName) {
    const std::string base = "https://d.example/files/";
    const std::string tail = ".quelvar.windows.x86_64.zip";
    const std::string bad_version = "Cannot extract version from DM response";
    const std::vector<UrlCase> cases = {
        {base + "java-1.8.0-tavrik-1.8.0.212-3.b04" + tail, "1.8.0.212-3.b04", 10821203004, ""},
        {base + "java-1.8.0-tavrik-1.8.0.222-1.b10" + tail, "1.8.0.222-1.b10", 10822201010, ""},
        {base + "java-11-tavrik-11.0.2-7.b12" + tail, "1.11.0.2-7.b12", 11100207012, ""},
        // Doubled separators make no empty items.
        {"https://d.example//files//java-1.8.0-tavrik-1..8.0.212-3.b04" + tail, "1.8.0.212-3.b04",
         10821203004, ""},
        // strtoll's automatic base: a leading zero reads octal, one zero after the tag letter is
        // skipped.
        {base + "java-1.8.0-tavrik-1.8.010-3.b04" + tail, "1.8.0.8-3.b04", 10800803004, ""},
        {base + "java-1.8.0-tavrik-1.8.0.212-3.b08" + tail, "1.8.0.212-3.b08", 10821203008, ""},
        {base + "java-1.8.0-tavrik-1.8.0.212-3.c04" + tail, "1.8.0.212-3.b04", 10821203004, ""},
        {base + "java-1.8.0-tavrik-1.8.0.212-3.b4" + tail, "1.8.0.212-3.b04", 10821203004, ""},
        // An update too wide for its field makes the number one digit longer.
        {base + "java-1.8.0-tavrik-1.8.0.1000-3.b04" + tail, "1.8.0.1000-3.b04", 108100003004, ""},
        {base + "java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.linux.x86_64.zip", "1.8.0.212-3.b04",
         10821203004, ""},
        {"", "", 0, bad_version},
        {base + "java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.windows.x86_64.ZIP", "", 0, bad_version},
        {"java-1.8.0-tavrik-1.8.0.212-3.b04" + tail, "", 0, bad_version},
        {"https://java-1.8.0-tavrik-1.8.0.212-3.b04" + tail, "", 0, bad_version},
        {base + "jdk-1.8.0-tavrik-1.8.0.212-3.b04" + tail, "", 0, bad_version},
        {base + "java-1.8.0-tavrik-extra-1.8.0.212-3.b04" + tail, "", 0, bad_version},
        {base + "java-1.8.0-tavrik-1.8-3.b04" + tail, "", 0, bad_version},
        {base + "java-1.8.0-tavrik-1.8.0.212-3.b04.x86_64.zip", "", 0, bad_version},
        {base + "java-1.8.0-tavrik-1.8.0.212-3.b" + tail, "", 0,
         "Cannot extract 'build' from DM response"},
        {base + "java-1.8.0-tavrik-1.8.08-3.b04" + tail, "", 0,
         "Cannot parse uint32_t from string: [08]"},
        {base + "java-1.8.0-tavrik-1.8.0.212-3.b008" + tail, "", 0,
         "Cannot parse uint32_t from string: [08]"},
        {base + "java-1.8.0-tavrik-1.8.0.x-3.b04" + tail, "", 0,
         "Cannot parse uint32_t from string: [x]"},
        {base + "java-1.8.0-tavrik-1.8.0.-1-3.b04" + tail, "", 0, bad_version},
        {base + "java-1.8.0-tavrik-1.8.0.4294967296-3.b04" + tail, "", 0,
         "Value overflow for uint32_t from string: [4294967296]"},
        {base + "java-1.8.0-tavrik-1.4294967295.0.4294967295-3.b04" + tail, "", 0,
         "Cannot parse uint64_t from string: [14294967295429496729503004]"},
    };
    for (const UrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        if (!c.error.empty()) {
            EXPECT_EQ(error_of(response_with_url(c.url)), c.error);
            continue;
        }
        const VersionDescriptor d =
            version_descriptor_from_json(convert_remote_descriptor(response_with_url(c.url)));
        EXPECT_EQ(d.version_string, c.version_string);
        EXPECT_EQ(d.version_number, c.version_number);
        EXPECT_EQ(d.os_name, "Windows");
        EXPECT_EQ(d.ui_balloon_text,
                  "Tavrik version " + c.version_string + " is available for download");
        EXPECT_EQ(d.ui_update_header, d.ui_balloon_text);
    }
}

TEST(ConvertRemoteDescriptor, NamesThePackageAfterTheMajorVersion) {
    const VersionDescriptor d = version_descriptor_from_json(convert_remote_descriptor(
        response_with_url("https://d.example/java-11-tavrik-11.0.2-7.b12.q.windows.aarch64.zip")));
    EXPECT_EQ(d.package_name, "java-1.11.0-tavrik");
    EXPECT_EQ(d.package_description, "Tavrik runtime");
    EXPECT_EQ(d.os_arch, "aarch64");
}

} // namespace
} // namespace checker
