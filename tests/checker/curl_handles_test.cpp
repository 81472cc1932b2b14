#include "checker/curl_handles.hpp"
#include "checker/request_options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace checker {
namespace {

// A real easy handle on a real multi handle, as the download builds them.
class CurlHandlesTest : public testing::Test {
protected:
    CurlGlobal global_;
    CurlMulti multi_{curl_multi_init()};
    CurlEasy easy_{multi_, curl_easy_init()};
};

template <typename Call> std::string error_of(Call&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

const auto kUnknownOption = static_cast<CURLoption>(CURLOPTTYPE_LONG + 9999);

TEST_F(CurlHandlesTest, OwnersRefuseNullHandles) {
    EXPECT_EQ(error_of([] { CurlMulti multi(nullptr); }), "Invalid 'null' CURLM specified");
    EXPECT_EQ(error_of([this] { CurlEasy easy(multi_, nullptr); }),
              "Invalid 'null' CURL specified");
}

TEST_F(CurlHandlesTest, LongSetterLeavesTheDefaultForZero) {
    // libcurl refuses 0 for this option, so only a setter that skips it can succeed.
    ASSERT_NE(curl_easy_setopt(easy_.get(), CURLOPT_ALTSVC_CTRL, 0L), CURLE_OK);
    EXPECT_NO_THROW(easy_.set_long_option(CURLOPT_ALTSVC_CTRL, 0));
}

TEST_F(CurlHandlesTest, LongSetterRefusesValuesBeyondLong) {
    struct Case {
        CURLoption option;
        std::uint32_t value;
        std::string error;
    };
    const std::vector<Case> cases = {
        {CURLOPT_MAXREDIRS, 2147483647u, "no error"},
        {CURLOPT_MAXREDIRS, 2147483648u,
         "Error setting option: [68], to invalid overflow value: [2147483648]"},
        {CURLOPT_CONNECTTIMEOUT_MS, 4294967295u,
         "Error setting option: [156], to invalid overflow value: [4294967295]"},
        {CURLOPT_MAX_RECV_SPEED_LARGE, 2147483648u,
         "Error setting option: [30146], to invalid overflow value: [2147483648]"},
        {CURLOPT_MAX_RECV_SPEED_LARGE, 2147483647u, "no error"},
        {CURLOPT_HTTP_VERSION, 100, "Error setting option: [84], to value: [100]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.option) + " = " + std::to_string(c.value));
        EXPECT_EQ(error_of([&] { easy_.set_long_option(c.option, c.value); }), c.error);
    }
}

TEST_F(CurlHandlesTest, OtherSettersSkipEmptyValuesAndReportFailures) {
    ASSERT_NE(curl_easy_setopt(easy_.get(), CURLOPT_PROTOCOLS_STR, ""), CURLE_OK);
    EXPECT_NO_THROW(easy_.set_string_option(CURLOPT_PROTOCOLS_STR, ""));
    EXPECT_EQ(error_of([&] { easy_.set_string_option(CURLOPT_PROTOCOLS_STR, "gopherish"); }),
              "Error setting option: [10318], to value: [gopherish]");
    EXPECT_NO_THROW(easy_.set_pointer_option(kUnknownOption, nullptr));
    EXPECT_EQ(error_of([&] { easy_.set_pointer_option(kUnknownOption, this); }),
              "Error setting option: [" + std::to_string(kUnknownOption) + "]");
    EXPECT_EQ(error_of([&] { easy_.set_bool_option(kUnknownOption, true); }),
              "Error setting option: [" + std::to_string(kUnknownOption) + "], to value: [1]");
    EXPECT_EQ(error_of([&] { easy_.set_bool_option(kUnknownOption, false); }),
              "Error setting option: [" + std::to_string(kUnknownOption) + "], to value: [0]");
}

TEST_F(CurlHandlesTest, NeverQuotesTheKeyPassPhrase) {
    // libcurl refuses strings longer than 8000000 bytes.
    const std::string secret(8000001, 's');
    const std::string error = error_of([&] { easy_.set_string_option(CURLOPT_KEYPASSWD, secret); });
    EXPECT_EQ(error, "Error setting option: [10026], to value: [********]");
    // Any other refused text is quoted as it is.
    EXPECT_EQ(error_of([&] { easy_.set_string_option(CURLOPT_USERAGENT, secret); }).size(),
              std::string("Error setting option: [10018], to value: []").size() + secret.size());
}

TEST_F(CurlHandlesTest, InfoQueryReportsUnknownInfo) {
    EXPECT_EQ(easy_.get_long_info(CURLINFO_RESPONSE_CODE), 0);
    const auto unknown = static_cast<CURLINFO>(CURLINFO_LONG + 999);
    EXPECT_EQ(error_of([&] { easy_.get_long_info(unknown); }),
              "cURL curl_easy_getinfo error: [" + std::to_string(CURLE_UNKNOWN_OPTION) +
                  "], option: [" + std::to_string(unknown) + "]");
}

TEST_F(CurlHandlesTest, MultiSetterAppliesEveryValue) {
    EXPECT_NO_THROW(multi_.set_option(CURLMOPT_MAXCONNECTS, 0));
    const auto unknown = static_cast<CURLMoption>(CURLOPTTYPE_LONG + 999);
    EXPECT_EQ(error_of([&] { multi_.set_option(unknown, 3); }),
              "Error setting multi option: [" + std::to_string(unknown) + "], to value: [3]");
}

TEST(AllowedProtocols, KeepsAnHttpsRequestOnHttps) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"https://updates.example/dm", "https"},
        {"HTTPS://updates.example/dm", "https"},
        {"HtTpS://updates.example/dm", "https"},
        {"http://updates.example/dm", "http,https"},
        {"https:/updates.example/dm", "http,https"},
        {"ftp://updates.example/dm", "http,https"},
        {"", "http,https"},
    };
    for (const auto& [url, expected] : cases) {
        SCOPED_TRACE(url);
        EXPECT_EQ(allowed_protocols(url), expected);
    }
}

} // namespace
} // namespace checker
