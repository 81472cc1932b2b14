#include "support/encoding.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using checker::WideChar;
using checker::WideString;

namespace {

// The Linux transcoder replaces each maximal ill-formed subpart with one U+FFFD, as Unicode
// recommends: a byte that cannot start or continue the sequence ends it.
TEST(EncodingPosix, EachMaximalSubpartBecomesOneReplacementCharacter) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"\xED\xA0\x80", 3},     // encoded surrogate: ED cannot be followed by A0
        {"\xE0\x80\x80", 3},     // overlong: E0 cannot be followed by 80
        {"\xF4\x90\x80\x80", 4}, // past U+10FFFF
        {"\xC0\x80", 2},         // C0 never starts a sequence
        {"\xF0\x9F\x98", 1},     // cut four-byte sequence
    };
    for (const auto& [text, count] : cases) {
        EXPECT_EQ(checker::widen(text), WideString(count, WideChar{0xFFFD}))
            << "bytes: " << text.size();
    }
}

TEST(ErrcodeToStringPosix, QuotesTheCLibraryText) {
    const std::pair<int, std::string> cases[] = {
        {EEXIST, "File exists"},
        {ENOENT, "No such file or directory"},
        {EISDIR, "Is a directory"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(checker::errcode_to_string(static_cast<std::uint32_t>(code)),
                  "code: [" + std::to_string(code) + "], message: [" + text + "]");
    }
}

} // namespace
