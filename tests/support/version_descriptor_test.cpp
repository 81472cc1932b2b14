#include "support/version_descriptor.hpp"

#include "support/errors.hpp"
#include "test_environment.hpp"
#include "test_platform.hpp"

#include <gtest/gtest.h>

namespace {

checker::VersionDescriptor example() {
    checker::VersionDescriptor d;
    d.package_name = "java-1.8.0-tavrik";
    d.package_description = "Tavrik runtime";
    d.os_name = "Windows";
    d.os_arch = "x86_64";
    d.version_string = "1.8.0.212-3.b04";
    d.version_number = 10821203004u;
    d.ui_balloon_text = "Tavrik version 1.8.0.212-3.b04 is available for download";
    d.ui_update_header = d.ui_balloon_text;
    d.ui_update_text = "Première ligne\n\nzweite Zeile";
    return d;
}

checker::JsonPtr parse(const std::string& text) {
    return checker::JsonPtr(json_loads(text.c_str(), 0, nullptr));
}

TEST(VersionDescriptor, WrittenFileHasTheFixedForm) {
    test::TempDir dir;
    checker::dump_json_file(checker::version_descriptor_to_json(example()), dir.file("v.json"));
    EXPECT_EQ(test::read_file(dir.file("v.json")),
              test::platform::as_text_file(
                  "{\n"
                  "    \"package_name\": \"java-1.8.0-tavrik\",\n"
                  "    \"package_description\": \"Tavrik runtime\",\n"
                  "    \"os_name\": \"Windows\",\n"
                  "    \"os_arch\": \"x86_64\",\n"
                  "    \"version_string\": \"1.8.0.212-3.b04\",\n"
                  "    \"version_number\": 10821203004,\n"
                  "    \"ui_balloon_text\": \"Tavrik version 1.8.0.212-3.b04 is available for "
                  "download\",\n"
                  "    \"ui_update_header\": \"Tavrik version 1.8.0.212-3.b04 is available for "
                  "download\",\n"
                  "    \"ui_update_text\": \"Première ligne\\n\\nzweite Zeile\"\n"
                  "}"));
    EXPECT_EQ(
        checker::version_descriptor_from_json(checker::load_json_file(dir.file("v.json"), 32768)),
        example());
}

TEST(VersionDescriptor, ReadingNeverFails) {
    checker::VersionDescriptor only_number;
    only_number.version_number = 10821203004u;
    const std::pair<std::string, checker::VersionDescriptor> cases[] = {
        {R"({"version_number": 10821203004})", only_number},
        {R"({"version_number": "10821203004"})", {}},
        {R"({"version_number": -3, "os_name": 5})", {}},
        {R"({"version_number": 1.5})", {}},
        {R"({})", {}},
        {R"([])", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(checker::version_descriptor_from_json(parse(text)), expected) << text;
    }
}

TEST(VersionDescriptor, InvalidTextFailsWithTheMembersMessage) {
    auto broken = example();
    broken.os_arch = "x86\xC0";
    try {
        checker::version_descriptor_to_json(broken);
        FAIL() << "no exception";
    } catch (const checker::CheckerException& e) {
        EXPECT_STREQ(e.what(), "Cannot create JSON string, field: [os_arch], value: [x86\xC0]");
    }
}

} // namespace
