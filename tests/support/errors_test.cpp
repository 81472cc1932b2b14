#include "support/errors.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

using checker::CheckerException;

namespace {

TEST(CheckerException, WhatSurvivesCatchAsBaseAndCopy) {
    const std::string message = "Cannot open file: [x], with mode: [r], error: [ünïcode]";
    try {
        throw CheckerException(message);
    } catch (const std::exception& caught) {
        EXPECT_EQ(caught.what(), message);
        const CheckerException copy(dynamic_cast<const CheckerException&>(caught));
        EXPECT_EQ(copy.what(), message);
    }
}

TEST(ToString, DecimalWithoutGroupingOrWords) {
    EXPECT_EQ(checker::to_string(0u), "0");
    EXPECT_EQ(checker::to_string(std::numeric_limits<std::uint64_t>::max()),
              "18446744073709551615");
    EXPECT_EQ(checker::to_string(-5), "-5");
    EXPECT_EQ(checker::to_string(true), "1");
    EXPECT_EQ(checker::to_string(false), "0");
}

// Each row: input, expected value, or the message thrown.
struct ParseCase {
    std::string input;
    std::optional<std::uint64_t> value;
    std::string message;
};

void check_parse(const std::vector<ParseCase>& cases,
                 const std::function<std::uint64_t(const std::string&)>& parse) {
    for (const auto& row : cases) {
        SCOPED_TRACE("input: [" + row.input + "]");
        if (row.value) {
            EXPECT_EQ(parse(row.input), *row.value);
            continue;
        }
        try {
            parse(row.input);
            ADD_FAILURE() << "no exception";
        } catch (const CheckerException& e) {
            EXPECT_EQ(e.what(), row.message);
        }
    }
}

TEST(ParseUint32, FollowsAutomaticBaseAndRangeRules) {
    const std::string bad = "Cannot parse uint32_t from string: [";
    const std::string overflow = "Value overflow for uint32_t from string: [";
    check_parse(
        {
            {"", 0, ""},
            {" 7", 7, ""},
            {"7 ", std::nullopt, bad + "7 ]"},
            {"abc", std::nullopt, bad + "abc]"},
            {"0x1F", 31, ""},
            {"0X1f", 31, ""},
            {"010", 8, ""},
            {"08", std::nullopt, bad + "08]"},
            {"+5", 5, ""},
            {"-0", 0, ""},
            {"-1", std::nullopt, overflow + "-1]"},
            {"4294967295", 4294967295u, ""},
            {"4294967296", std::nullopt, overflow + "4294967296]"},
            {"9223372036854775808", std::nullopt, bad + "9223372036854775808]"},
        },
        [](const std::string& text) { return checker::parse_uint32(text); });
}

TEST(ParseUint64, AcceptsTheSignedRangeOnly) {
    const std::string bad = "Cannot parse uint64_t from string: [";
    check_parse(
        {
            {"", 0, ""},
            {"9223372036854775807", 9223372036854775807u, ""},
            {"9223372036854775808", std::nullopt, bad + "9223372036854775808]"},
            {"-1", std::nullopt, "Invalid negative value for uint64_t from string: [-1]"},
            {"10821203004", 10821203004u, ""},
            {"1x", std::nullopt, bad + "1x]"},
        },
        [](const std::string& text) { return checker::parse_uint64(text); });
}

TEST(StringHelpers, PrefixAndSuffix) {
    EXPECT_TRUE(checker::starts_with("java-1.8", "java-"));
    EXPECT_TRUE(checker::starts_with("abc", ""));
    EXPECT_FALSE(checker::starts_with("ja", "java-"));
    EXPECT_TRUE(checker::ends_with(".zip", ".zip"));
    EXPECT_FALSE(checker::ends_with("zip", ".zip"));
    EXPECT_FALSE(checker::ends_with("a.ZIP", ".zip"));
}

TEST(StringHelpers, PadLeftChangesInPlace) {
    std::string seven = "7";
    EXPECT_EQ(&checker::pad_left(seven, 3, '0'), &seven);
    EXPECT_EQ(seven, "007");
    std::string wide = "1234";
    EXPECT_EQ(checker::pad_left(wide, 3, '0'), "1234");
}

TEST(StringHelpers, SplitDropsEmptyPieces) {
    using Pieces = std::vector<std::string>;
    const std::vector<std::pair<std::string, Pieces>> cases = {
        {"1.8.0", {"1", "8", "0"}}, {"...", {}},
        {"abc", {"abc"}},           {"", {}},
        {".a..b.", {"a", "b"}},     {"1..8.0", {"1", "8", "0"}},
    };
    for (const auto& [text, pieces] : cases) {
        EXPECT_EQ(checker::split(text, '.'), pieces) << "text: [" << text << "]";
    }
}

} // namespace
