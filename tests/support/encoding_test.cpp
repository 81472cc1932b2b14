#include "support/encoding.hpp"

#include "test_platform.hpp"

#include <gtest/gtest.h>

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
    EXPECT_EQ(checker::narrow(units({0xD83D, 0x41})), replacement + "A"); // high without low
    EXPECT_EQ(checker::widen("\xFF"), units({0xFFFD}));
    EXPECT_EQ(checker::widen("a\xC3"), units({0x61, 0xFFFD}));        // cut sequence
    EXPECT_EQ(checker::widen("\xE2\x82\x41"), units({0xFFFD, 0x41})); // maximal subpart
}

// How many replacement characters these become differs between systems; what they never become
// is anything else, such as the surrogate that an encoded surrogate stands for.
TEST(Encoding, IllFormedSequencesBecomeOnlyReplacementCharacters) {
    for (const std::string text :
         {"\xED\xA0\x80", "\xE0\x80\x80", "\xC0\x80", "\xF4\x90\x80\x80", "\xF0\x9F\x98"}) {
        const WideString wide = checker::widen(text);
        EXPECT_FALSE(wide.empty());
        EXPECT_EQ(wide, WideString(wide.size(), WideChar{0xFFFD})) << "bytes: " << text.size();
    }
}

TEST(Encoding, NarrowOfPointerTakesExactlyTheLength) {
    const WideString text = units({0x61, 0x62, 0x63});
    EXPECT_EQ(checker::narrow(text.data(), 2), "ab");
}

TEST(ErrcodeToString, ZeroIsEmpty) {
    EXPECT_EQ(checker::errcode_to_string(0), "");
}

TEST(ErrcodeToString, QuotesCodeAndSystemText) {
    const std::uint32_t code = test::platform::already_exists_code();
    EXPECT_EQ(checker::errcode_to_string(code), "code: [" + std::to_string(code) + "], message: [" +
                                                    test::platform::system_message(code) + "]");
}

TEST(ErrcodeToString, UnknownCodeReportsTheLookupFailure) {
    EXPECT_EQ(checker::errcode_to_string(999999),
              "Cannot format code: [999999] into message, error code: [" +
                  std::to_string(test::platform::unknown_code_lookup_failure()) + "]");
}

} // namespace
