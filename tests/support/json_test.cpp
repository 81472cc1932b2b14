#include "support/json.hpp"

#include "support/errors.hpp"
#include "test_environment.hpp"
#include "test_platform.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using checker::JsonPtr;
using test::system_error_text;
using test::thrown_message;

namespace {

JsonPtr parse(const std::string& text) {
    json_error_t error{};
    JsonPtr value(json_loadb(text.data(), text.size(), JSON_DECODE_ANY, &error));
    if (!value) {
        throw std::runtime_error("test document does not parse: " + text);
    }
    return value;
}

TEST(JsonGetters, TakeOnlyTheirOwnTypeAndRange) {
    const JsonPtr doc = parse(R"({"s": "text", "i": 7, "neg": -1, "max32": 4294967295,
        "top32": 4294967294, "real": 1.5, "t": true, "f": false, "one": 1, "strtrue": "true",
        "big": 9223372036854775807})");
    EXPECT_EQ(checker::get_json_string(doc, "s", "d"), "text");
    EXPECT_EQ(checker::get_json_string(doc, "i", "d"), "d");
    EXPECT_EQ(checker::get_json_string(doc, "missing", "d"), "d");

    const std::pair<const char*, std::uint32_t> u32[] = {
        {"i", 7}, {"neg", 99}, {"max32", 99}, {"top32", 4294967294u}, {"real", 99}, {"s", 99}};
    for (const auto& [key, expected] : u32) {
        EXPECT_EQ(checker::get_json_uint32(doc, key, 99), expected) << key;
    }
    EXPECT_EQ(checker::get_json_uint64(doc, "big", 5), 9223372036854775807u);
    EXPECT_EQ(checker::get_json_uint64(doc, "neg", 5), 5u);
    EXPECT_EQ(checker::get_json_uint64(doc, "real", 5), 5u);

    const std::pair<const char*, bool> bools[] = {
        {"t", true}, {"f", false}, {"one", false}, {"strtrue", false}, {"missing", false}};
    for (const auto& [key, expected] : bools) {
        EXPECT_EQ(checker::get_json_bool(doc, key, false), expected) << key;
    }
    EXPECT_TRUE(checker::get_json_bool(doc, "one", true));
}

TEST(JsonGetters, NonObjectDocumentGivesDefaults) {
    const JsonPtr array = parse("[1, 2]");
    EXPECT_EQ(checker::get_json_string(array, "0", "d"), "d");
    EXPECT_EQ(checker::get_json_uint32(JsonPtr(), "k", 3), 3u);
}

TEST(JsonSetters, StringReplacesAndRefusesInvalidUtf8) {
    const JsonPtr doc = checker::create_json_object();
    checker::set_json_string(doc, "k", "first");
    checker::set_json_string(doc, "k", "second");
    EXPECT_EQ(checker::get_json_string(doc, "k", ""), "second");
    EXPECT_EQ(json_object_size(doc.get()), 1u);

    EXPECT_EQ(thrown_message([&] { checker::set_json_string(doc, "k", "bad\xFF"); }),
              "Cannot create JSON string, field: [k], value: [bad\xFF]");
    EXPECT_EQ(checker::get_json_string(doc, "k", ""), "second");
}

TEST(JsonSetters, StoringIntoNonObjectFails) {
    const JsonPtr array = parse("[]");
    EXPECT_EQ(thrown_message([&] { checker::set_json_string(array, "k", "v"); }),
              "Cannot set JSON string, field: [k], value: [v]");
    EXPECT_EQ(thrown_message([&] { checker::set_json_integer(array, "n", 18446744073709551615u); }),
              "Cannot set JSON integer, field: [n], value: [18446744073709551615]");
}

TEST(JsonSetters, IntegerKeepsTheBits) {
    const JsonPtr doc = checker::create_json_object();
    checker::set_json_integer(doc, "n", 18446744073709551615u);
    EXPECT_EQ(json_integer_value(json_object_get(doc.get(), "n")), -1);
}

class JsonFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("doc.json");

    std::string load_error(const std::string& content, std::uint32_t limit = 32768) {
        test::write_file(path, content);
        return thrown_message([&] { checker::load_json_file(path, limit); });
    }
};

TEST_F(JsonFileTest, LoadsUpToTheLimitAndNotAByteMore) {
    const std::string doc = R"({"key": "value"})";
    test::write_file(path, doc);
    EXPECT_EQ(checker::get_json_string(
                  checker::load_json_file(path, static_cast<std::uint32_t>(doc.size())), "key", ""),
              "value");
    EXPECT_EQ(load_error(doc, static_cast<std::uint32_t>(doc.size() - 1)),
              "Error parsing JSON: text: [unexpected token near end of file] line: [1] column: [0] "
              "position: [0], callback error: [Read limit exceeded: [" +
                  std::to_string(doc.size() - 1) + "], filepath: [" + path + "]]");
}

TEST_F(JsonFileTest, ParseFailuresQuotePosition) {
    const std::string empty = load_error("");
    EXPECT_EQ(empty.rfind("Error parsing JSON: text: [", 0), 0u) << empty;
    EXPECT_NE(empty.find("] line: [1] column: [0] position: [0], callback error: []"),
              std::string::npos)
        << empty;
    EXPECT_NE(load_error(R"({"a": 1, "a": 2})").find("duplicate object key"), std::string::npos);
}

TEST_F(JsonFileTest, StopsAfterTheFirstValue) {
    test::write_file(path, R"({"a": 1} trailing garbage {)");
    EXPECT_EQ(checker::get_json_uint32(checker::load_json_file(path, 100), "a", 0), 1u);
}

TEST_F(JsonFileTest, TopLevelMustBeAnObject) {
    EXPECT_EQ(load_error("[1]"), "Invalid 'non-object' JSON specified");
    EXPECT_EQ(load_error("null"), "Invalid 'non-object' JSON specified");
    test::ScopedLoadHook hook([](JsonPtr) { return JsonPtr(); });
    EXPECT_EQ(load_error("{}"), "Invalid 'null' JSON specified");
}

TEST_F(JsonFileTest, HookSeesEveryLoadedValue) {
    test::ScopedLoadHook hook([](JsonPtr value) {
        return json_is_array(value.get()) ? checker::create_json_object() : std::move(value);
    });
    test::write_file(path, "[1, 2, 3]");
    EXPECT_EQ(json_object_size(checker::load_json_file(path, 100).get()), 0u);
}

TEST_F(JsonFileTest, MissingFileQuotesOpenFailure) {
    EXPECT_EQ(thrown_message([&] {
                  checker::load_json_file(dir.file("none"), 10);
              }).rfind("Cannot open file: [" + dir.file("none") + "], with mode: [r], error: [", 0),
              0u);
}

TEST_F(JsonFileTest, DumpUsesTheFixedLayout) {
    const JsonPtr doc = checker::create_json_object();
    checker::set_json_string(doc, "zeta", "ünï/code \"quoted\" back\\slash\nline");
    checker::set_json_integer(doc, "alpha", 10821203004u);
    checker::dump_json_file(doc, path);
    EXPECT_EQ(test::read_file(path),
              test::platform::as_text_file(
                  "{\n"
                  "    \"zeta\": \"ünï/code \\\"quoted\\\" back\\\\slash\\nline\",\n"
                  "    \"alpha\": 10821203004\n"
                  "}"));
    checker::dump_json_file(checker::create_json_object(), path);
    EXPECT_EQ(test::read_file(path), "{}");
    EXPECT_EQ(test::list_directory(dir.path()), "doc.json");
}

TEST_F(JsonFileTest, DumpOverDirectoryFailsLikeAnOpen) {
    const std::string target = dir.file("version.json");
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::u8path(target)));
    EXPECT_EQ(
        thrown_message([&] { checker::dump_json_file(checker::create_json_object(), target); }),
        "Cannot open file: [" + target + "], with mode: [w], error: [" +
            system_error_text(test::platform::replace_directory_code()) + "]");
    EXPECT_EQ(test::list_directory(dir.path()), "version.json");
}

TEST_F(JsonFileTest, DumpIntoMissingDirectoryNamesTheTarget) {
    const std::string target = dir.file("absent/version.json");
    EXPECT_EQ(
        thrown_message([&] { checker::dump_json_file(checker::create_json_object(), target); }),
        "Cannot open file: [" + target + "], with mode: [w], error: [" +
            system_error_text(test::platform::path_not_found_code()) + "]");
}

} // namespace
