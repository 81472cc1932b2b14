// The two bounds on a download that hostile services made necessary: their keys, defaults and
// the "no bound" value, and the body bound applied to the pieces the body function receives.
#include "checker/config.hpp"
#include "checker/curl_handles.hpp"
#include "checker/http_fetch.hpp"
#include "support/errors.hpp"
#include "tests/hardening/scripted_transfer.hpp"

#include <gtest/gtest.h>

#include <string>

namespace checker {
namespace {

CheckerConfig config_from(const std::string& text) {
    JsonPtr document(json_loads(text.c_str(), 0, nullptr));
    return load_checker_config(document, "/opt/bin/");
}

TEST(DownloadLimits, KeysDefaultsAndNoBound) {
    const struct {
        const char* json;
        std::uint32_t transfer_seconds;
        std::uint32_t body_bytes;
    } cases[] = {
        {"{}", 300, 134217728},
        {R"({"curl_transfer_timeout_seconds": 5, "max_remote_json_size_bytes": 1024})", 5, 1024},
        {R"({"curl_transfer_timeout_seconds": 0, "max_remote_json_size_bytes": 0})", 0, 0},
        // Wrong types and out-of-range numbers fall back to the defaults, as for every u32 key.
        {R"({"curl_transfer_timeout_seconds": "5", "max_remote_json_size_bytes": -1})", 300,
         134217728},
        {R"({"curl_transfer_timeout_seconds": 4294967295, "max_remote_json_size_bytes": 1.5})", 300,
         134217728},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const CheckerConfig config = config_from(c.json);
        EXPECT_EQ(config.curl_transfer_timeout_seconds, c.transfer_seconds);
        EXPECT_EQ(config.max_remote_json_size_bytes, c.body_bytes);
    }
}

std::string outcome(std::uint32_t body_limit, test_support::Script script) {
    CheckerConfig config;
    config.max_remote_json_size_bytes = body_limit;
    CurlMulti multi(curl_multi_init());
    CurlEasy easy(multi, curl_easy_init());
    Tracer tracer(false);
    test_support::ScriptedTransfer transfer(config, tracer, multi, easy, std::move(script));
    try {
        const JsonPtr value = parse_streamed_body(transfer);
        return "value";
    } catch (const CheckerException& e) {
        return e.what();
    }
}

TEST(DownloadLimits, TheBodyBoundCountsEveryPieceOfTheBody) {
    const std::string too_large =
        "HTTP response body larger than 'max_remote_json_size_bytes': [10]";
    // {"a":12345} is 11 bytes: one over a bound of 10.
    EXPECT_EQ(outcome(11, {{R"({"a":12345})"}}), "value");
    EXPECT_EQ(outcome(0, {{R"({"a":12345})"}}), "value");
    EXPECT_EQ(outcome(10, {{R"({"a":12345})"}}), "HTTP connection error: [" + too_large + "]");
    // Split across passes and within one pass: the total counts, not the piece.
    EXPECT_EQ(outcome(10, {{R"({"a":)"}, {"12", "345}"}}),
              "Error parsing JSON, text: ['}' expected near end of file], line: [1], column: "
              "[7], position: [7], callback error: [" +
                  too_large + "]");
}

} // namespace
} // namespace checker
