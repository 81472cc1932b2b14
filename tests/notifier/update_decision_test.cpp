#include "notifier/update_decision.hpp"

#include "fake_platform.hpp"
#include "notifier/notifier_state.hpp"
#include "support/encoding.hpp"
#include "support/errors.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using checker::to_string;

struct Decision {
    bool go;
    std::vector<std::string> trace;
};

Decision decide(test::FakePlatform& platform) {
    notifier::Notifier notifier(platform);
    notifier.tracer.set_enabled(true);
    const bool go = notifier::decide_update(notifier);
    return {go, test::trace_lines(notifier.tracer)};
}

// Every line the decision traces when version.json has been read, in order.
std::vector<std::string> read_lines(const test::DataHome& home, const std::string& shipped,
                                    const checker::VersionDescriptor& version) {
    const std::string path = home.version_path();
    const std::string number = to_string(version.version_number);
    const std::string icon = test::executable_dir() + "icon.bmp";
    return {
        "shipped version extracted, version_number: [" + shipped + "]",
        "EVENT_SHIPPEDVERSION " + shipped,
        "loading version from file, path: [" + path + "]",
        "EVENT_LOCALPATH " + path,
        "version loaded successfully",
        "version contents, balloon_text: [" + version.ui_balloon_text + "]",
        "EVENT_CONTENTBALLOON " + version.ui_balloon_text,
        "version contents, update_header: [" + version.ui_update_header + "]",
        "EVENT_CONTENTUPDATEHEADER " + version.ui_update_header,
        "version contents, update_text: [" + version.ui_update_text + "]",
        "EVENT_CONTENTUPDATETEXT " + version.ui_update_text,
        "version contents, version_number: [" + number + "]",
        "EVENT_CONTENTVERSION " + number,
        "balloon icon resolved, path: [" + icon + "]",
    };
}

TEST(UpdateDecision, NewerVersionGivesGoAndFillsTheDisplayTexts) {
    test::DataHome home;
    checker::VersionDescriptor version = test::newer_version();
    // U+00FC and U+1D11E: two bytes and four bytes in UTF-8, one unit and two units in UTF-16.
    version.ui_balloon_text = "Tavrik \xC3\xBC \xF0\x9D\x84\x9E";
    home.write_version(version);
    test::FakePlatform platform;
    notifier::Notifier notifier(platform);
    notifier.tracer.set_enabled(true);

    EXPECT_TRUE(notifier::decide_update(notifier));

    EXPECT_EQ(test::trace_lines(notifier.tracer), read_lines(home, "10821203004", version));
    EXPECT_EQ(notifier.balloon_text.size(), 11u);
    EXPECT_EQ(checker::narrow(notifier.balloon_text), version.ui_balloon_text);
    EXPECT_EQ(checker::narrow(notifier.update_header), version.ui_update_header);
    EXPECT_EQ(checker::narrow(notifier.update_text), version.ui_update_text);
    EXPECT_EQ(checker::narrow(notifier.balloon_icon_path), test::executable_dir() + "icon.bmp");
}

// Cases whose version.json has been read: the number decides, a bad shipped number fails last.
TEST(UpdateDecision, ComparesTheStoredNumberWithTheShippedOne) {
    struct Case {
        const char* name;
        std::uint64_t stored;
        std::optional<std::string> shipped; // nullopt: string 146 is missing
        bool go;
        std::string error; // the last line when it is an error
    };
    const Case cases[] = {
        {"one above", 10821203005, "10821203004", true, ""},
        {"equal", 10821203004, "10821203004", false, ""},
        {"older", 10821203003, "10821203004", false, ""},
        {"no number", 0, "10821203004", false, ""},
        {"shipped number not a number", 10821203005, "abc", false,
         "ERROR: Cannot parse uint64_t from string: [abc]"},
        {"shipped number missing", 10821203005, std::nullopt, false,
         "ERROR: Cannot parse uint64_t from string: [ERROR_LOAD_RESOURCE]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::DataHome home;
        checker::VersionDescriptor version = test::newer_version();
        version.version_number = c.stored;
        home.write_version(version);
        test::FakePlatform platform;
        if (c.shipped) {
            platform.strings[146] = *c.shipped;
        } else {
            platform.strings.erase(146);
        }

        const Decision decision = decide(platform);

        std::vector<std::string> expected;
        if (!c.shipped) {
            expected.push_back("error loading resource, uid: [146]");
        }
        const auto read = read_lines(home, c.shipped.value_or("ERROR_LOAD_RESOURCE"), version);
        expected.insert(expected.end(), read.begin(), read.end());
        if (!c.error.empty()) {
            expected.push_back(c.error);
        }
        EXPECT_EQ(decision.go, c.go);
        EXPECT_EQ(decision.trace, expected);
    }
}

TEST(UpdateDecision, EmptyObjectReadsAsNoVersionWithoutError) {
    test::DataHome home;
    home.write_version_text("{}");
    test::FakePlatform platform;

    const Decision decision = decide(platform);

    EXPECT_FALSE(decision.go);
    EXPECT_EQ(decision.trace, read_lines(home, "10821203004", checker::VersionDescriptor{}));
}

// Files that cannot be read end the decision after the path lines with one error line.
TEST(UpdateDecision, UnreadableVersionFileGivesNogoWithOneErrorLine) {
    struct Case {
        const char* name;
        std::optional<std::string> content; // nullopt: no file
        std::string error_start;
    };
    const Case cases[] = {
        {"missing", std::nullopt, "ERROR: Cannot open file: ["},
        {"array", "[1, 2]", "ERROR: Invalid 'non-object' JSON specified"},
        {"null", "null", "ERROR: Invalid 'non-object' JSON specified"},
        {"not JSON", "version", "ERROR: Error parsing JSON: "},
        {"over the read limit", "{\"ui_update_text\": \"" + std::string(40000, 'x') + "\"}",
         "ERROR: Error parsing JSON: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::DataHome home;
        if (c.content) {
            home.write_version_text(*c.content);
        }
        test::FakePlatform platform;

        const Decision decision = decide(platform);

        EXPECT_FALSE(decision.go);
        ASSERT_EQ(decision.trace.size(), 5u);
        EXPECT_EQ(decision.trace[3], "EVENT_LOCALPATH " + home.version_path());
        EXPECT_EQ(decision.trace[4].rfind(c.error_start, 0), 0u) << decision.trace[4];
    }
}

} // namespace
