#include "support/encoding.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

using checker::WideChar;
using checker::WideString;

namespace {

WideString units(std::initializer_list<unsigned> list) {
    WideString text;
    for (unsigned unit : list) {
        text.push_back(static_cast<WideChar>(unit));
    }
    return text;
}

TEST(Encoding, EmptyStaysEmpty) {
    EXPECT_EQ(checker::narrow(WideString()), "");
    EXPECT_EQ(checker::narrow(nullptr, 0), "");
    EXPECT_EQ(checker::widen(""), WideString());
}

TEST(Encoding, RoundTripsEveryPlane) {
    const struct {
        std::string utf8;
        WideString utf16;
    } cases[] = {
        {"A", units({0x41})},
        {"\xC3\xA9", units({0xE9})},                           // e with acute accent
        {"\xE2\x82\xAC", units({0x20AC})},                     // euro sign
        {"\xF0\x9F\x98\x80", units({0xD83D, 0xDE00})},         // outside the basic plane
        {std::string("a\0b\0", 4), units({0x61, 0, 0x62, 0})}, // NUL is a character
    };
    for (const auto& row : cases) {
        EXPECT_EQ(checker::widen(row.utf8), row.utf16);
        EXPECT_EQ(checker::narrow(row.utf16), row.utf8);
    }
}

TEST(Encoding, IllFormedInputBecomesReplacementCharacter) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(checker::narrow(units({0xD800})), replacement); // lone high surrogate
    EXPECT_EQ(checker::narrow(units({0x61, 0xDC00, 0x62})), "a" + replacement + "b");
    EXPECT_EQ(checker::widen("\xFF"), units({0xFFFD}));
    EXPECT_EQ(checker::widen("a\xC3"), units({0x61, 0xFFFD}));                  // cut sequence
    EXPECT_EQ(checker::widen("\xED\xA0\x80"), units({0xFFFD, 0xFFFD, 0xFFFD})); // surrogate
    EXPECT_EQ(checker::widen("\xE2\x82\x41"), units({0xFFFD, 0x41}));           // maximal subpart
}

TEST(Encoding, NarrowOfPointerTakesExactlyTheLength) {
    const WideString text = units({0x61, 0x62, 0x63});
    EXPECT_EQ(checker::narrow(text.data(), 2), "ab");
}

TEST(ErrcodeToString, ZeroIsEmpty) {
    EXPECT_EQ(checker::errcode_to_string(0), "");
}

TEST(ErrcodeToString, QuotesCodeAndSystemText) {
    EXPECT_EQ(checker::errcode_to_string(EEXIST),
              "code: [" + std::to_string(EEXIST) + "], message: [" + std::strerror(EEXIST) + "]");
}

TEST(ErrcodeToString, UnknownCodeReportsTheLookupFailure) {
    EXPECT_EQ(checker::errcode_to_string(999999),
              "Cannot format code: [999999] into message, error code: [" + std::to_string(EINVAL) +
                  "]");
}

} // namespace
