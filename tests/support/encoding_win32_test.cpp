#include "support/encoding.hpp"

#include "test_platform.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ErrcodeToStringWin32, AlreadyExistsQuotesTheSystemTextWithoutItsLineEnd) {
    const std::string message = test::platform::system_message(183); // ERROR_ALREADY_EXISTS
    ASSERT_FALSE(message.empty());
    const std::string text = checker::errcode_to_string(183);
    EXPECT_EQ(text, "code: [183], message: [" + message + "]");
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
}

} // namespace
