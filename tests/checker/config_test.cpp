#include "checker/config.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace checker {
namespace {

const std::string kExecutableDir = "/opt/update checker/bin/";

JsonPtr parse(const std::string& text) {
    json_error_t error{};
    JsonPtr document(json_loads(text.c_str(), 0, &error));
    if (!document) {
        ADD_FAILURE() << "fixture is not JSON: " << text << ": " << error.text;
    }
    return document;
}

CheckerConfig load(const std::string& text) {
    return load_checker_config(parse(text), kExecutableDir);
}

TEST(LoadCheckerConfig, AnEmptyObjectGivesEveryDefault) {
    const CheckerConfig c = load("{}");
    EXPECT_EQ(c.remote_version_url, "");
    EXPECT_EQ(c.max_json_size_bytes, 32768u);
    EXPECT_EQ(c.version_filename, "");
    EXPECT_EQ(c.max_path_length, 1024u);
    EXPECT_EQ(c.vendor_name, "fennory");
    EXPECT_EQ(c.application_name, "update_checker");
    EXPECT_EQ(c.curl_max_connects, 1u);
    EXPECT_EQ(c.curl_max_bufsize_bytes, 32768u);
    EXPECT_EQ(c.curl_fdset_timeout_millis, 100u);
    EXPECT_TRUE(c.curl_force_http_10);
    EXPECT_TRUE(c.curl_noprogress);
    EXPECT_TRUE(c.curl_nosignal);
    EXPECT_FALSE(c.curl_tcp_nodelay);
    EXPECT_EQ(c.curl_connecttimeout_millis, 10000u);
    EXPECT_EQ(c.curl_buffersize_bytes, 16384u);
    EXPECT_EQ(c.curl_accept_encoding, "gzip");
    EXPECT_TRUE(c.curl_followlocation);
    EXPECT_EQ(c.curl_maxredirs, 32u);
    EXPECT_EQ(c.curl_useragent, "");
    EXPECT_EQ(c.curl_max_sent_speed_large_bytes_per_second, 0u);
    EXPECT_EQ(c.curl_max_recv_speed_large_bytes_per_second, 0u);
    EXPECT_EQ(c.curl_sslcert_filename, "");
    EXPECT_EQ(c.curl_sslcertype, "");
    EXPECT_EQ(c.curl_sslkey_filename, "");
    EXPECT_EQ(c.curl_ssl_key_type, "");
    EXPECT_EQ(c.curl_ssl_keypasswd, "");
    EXPECT_TRUE(c.curl_require_tls);
    EXPECT_TRUE(c.curl_ssl_verifyhost);
    EXPECT_TRUE(c.curl_ssl_verifypeer);
    EXPECT_EQ(c.curl_cainfo_filename, "");
    EXPECT_EQ(c.curl_crlfile_filename, "");
    EXPECT_EQ(c.curl_ssl_cipher_list, "");
    EXPECT_EQ(c.curl_stall_timeout_seconds, 60u);
    EXPECT_FALSE(c.system_trace_enable);
}

// Each key lands in its own field: a misspelt key would silently keep the default.
TEST(LoadCheckerConfig, ReadsEachKeyIntoItsField) {
    using Check = std::function<void(const CheckerConfig&)>;
    const std::vector<std::pair<std::string, Check>> cases = {
        {R"("remote_version_url": "https://u.example/dm")",
         [](auto& c) { EXPECT_EQ(c.remote_version_url, "https://u.example/dm"); }},
        {R"("max_json_size_bytes": 5)", [](auto& c) { EXPECT_EQ(c.max_json_size_bytes, 5u); }},
        {R"("version_filename": "v.json")",
         [](auto& c) { EXPECT_EQ(c.version_filename, "v.json"); }},
        {R"("max_path_length": 6)", [](auto& c) { EXPECT_EQ(c.max_path_length, 6u); }},
        {R"("vendor_name": "acme")", [](auto& c) { EXPECT_EQ(c.vendor_name, "acme"); }},
        {R"("application_name": "app")", [](auto& c) { EXPECT_EQ(c.application_name, "app"); }},
        {R"("curl_max_connects": 7)", [](auto& c) { EXPECT_EQ(c.curl_max_connects, 7u); }},
        {R"("curl_max_bufsize_bytes": 8)",
         [](auto& c) { EXPECT_EQ(c.curl_max_bufsize_bytes, 8u); }},
        {R"("curl_fdset_timeout_millis": 9)",
         [](auto& c) { EXPECT_EQ(c.curl_fdset_timeout_millis, 9u); }},
        {R"("curl_force_http_10": false)", [](auto& c) { EXPECT_FALSE(c.curl_force_http_10); }},
        {R"("curl_noprogress": false)", [](auto& c) { EXPECT_FALSE(c.curl_noprogress); }},
        {R"("curl_nosignal": false)", [](auto& c) { EXPECT_FALSE(c.curl_nosignal); }},
        {R"("curl_tcp_nodelay": true)", [](auto& c) { EXPECT_TRUE(c.curl_tcp_nodelay); }},
        {R"("curl_connecttimeout_millis": 10)",
         [](auto& c) { EXPECT_EQ(c.curl_connecttimeout_millis, 10u); }},
        {R"("curl_buffersize_bytes": 11)",
         [](auto& c) { EXPECT_EQ(c.curl_buffersize_bytes, 11u); }},
        {R"("curl_accept_encoding": "deflate")",
         [](auto& c) { EXPECT_EQ(c.curl_accept_encoding, "deflate"); }},
        {R"("curl_followlocation": false)", [](auto& c) { EXPECT_FALSE(c.curl_followlocation); }},
        {R"("curl_maxredirs": 12)", [](auto& c) { EXPECT_EQ(c.curl_maxredirs, 12u); }},
        {R"("curl_useragent": "agent")", [](auto& c) { EXPECT_EQ(c.curl_useragent, "agent"); }},
        {R"("curl_max_sent_speed_large_bytes_per_second": 13)",
         [](auto& c) { EXPECT_EQ(c.curl_max_sent_speed_large_bytes_per_second, 13u); }},
        {R"("curl_max_recv_speed_large_bytes_per_second": 14)",
         [](auto& c) { EXPECT_EQ(c.curl_max_recv_speed_large_bytes_per_second, 14u); }},
        {R"("curl_sslcert_filename": "/c.pem")",
         [](auto& c) { EXPECT_EQ(c.curl_sslcert_filename, "/c.pem"); }},
        {R"("curl_sslcertype": "PEM")", [](auto& c) { EXPECT_EQ(c.curl_sslcertype, "PEM"); }},
        {R"("curl_sslkey_filename": "/k.pem")",
         [](auto& c) { EXPECT_EQ(c.curl_sslkey_filename, "/k.pem"); }},
        {R"("curl_ssl_key_type": "DER")", [](auto& c) { EXPECT_EQ(c.curl_ssl_key_type, "DER"); }},
        {R"("curl_ssl_keypasswd": "secret")",
         [](auto& c) { EXPECT_EQ(c.curl_ssl_keypasswd, "secret"); }},
        {R"("curl_require_tls": false)", [](auto& c) { EXPECT_FALSE(c.curl_require_tls); }},
        {R"("curl_ssl_verifyhost": false)", [](auto& c) { EXPECT_FALSE(c.curl_ssl_verifyhost); }},
        {R"("curl_ssl_verifypeer": false)", [](auto& c) { EXPECT_FALSE(c.curl_ssl_verifypeer); }},
        {R"("curl_cainfo_filename": "/ca.pem")",
         [](auto& c) { EXPECT_EQ(c.curl_cainfo_filename, "/ca.pem"); }},
        {R"("curl_crlfile_filename": "/crl.pem")",
         [](auto& c) { EXPECT_EQ(c.curl_crlfile_filename, "/crl.pem"); }},
        {R"("curl_ssl_cipher_list": "HIGH")",
         [](auto& c) { EXPECT_EQ(c.curl_ssl_cipher_list, "HIGH"); }},
        {R"("curl_stall_timeout_seconds": 0)",
         [](auto& c) { EXPECT_EQ(c.curl_stall_timeout_seconds, 0u); }},
        {R"("system_trace_enable": true)", [](auto& c) { EXPECT_TRUE(c.system_trace_enable); }},
    };
    for (const auto& [member, check] : cases) {
        SCOPED_TRACE(member);
        check(load("{" + member + "}"));
    }
}

TEST(LoadCheckerConfig, ValuesOfTheWrongKindGiveTheDefault) {
    const std::vector<std::pair<std::string, std::uint32_t>> redirects = {
        {"-1", 32},
        {"\"5\"", 32},
        {"10.0", 32},
        {"null", 32},
        {"4294967295", 32},
        {"0", 0},
        {"4294967294", 4294967294u},
    };
    for (const auto& [value, expected] : redirects) {
        SCOPED_TRACE(value);
        EXPECT_EQ(load(R"({"curl_maxredirs": )" + value + "}").curl_maxredirs, expected);
    }
    EXPECT_EQ(load(R"({"curl_max_connects": 4294967295})").curl_max_connects, 1u);
    EXPECT_FALSE(load(R"({"system_trace_enable": 1})").system_trace_enable);
    EXPECT_FALSE(load(R"({"system_trace_enable": "true"})").system_trace_enable);
    EXPECT_TRUE(load(R"({"curl_force_http_10": 0})").curl_force_http_10);
    EXPECT_EQ(load(R"({"vendor_name": 5})").vendor_name, "fennory");
    EXPECT_EQ(load(R"({"vendor_name": ""})").vendor_name, "");
}

TEST(LoadCheckerConfig, PutsRelativeFileNamesBelowTheExecutableDirectory) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ca.pem", kExecutableDir + "ca.pem"},
        {"certs/ca.pem", kExecutableDir + "certs/ca.pem"},
        {"/etc/ssl/ca.pem", "/etc/ssl/ca.pem"},
        {"", ""},
        // Only a leading slash counts as absolute.
        {"C:/certs/ca.pem", kExecutableDir + "C:/certs/ca.pem"},
        {"certs\\ca.pem", kExecutableDir + "certs\\ca.pem"},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        JsonPtr document = create_json_object();
        for (const char* key :
             {"curl_sslcert_filename", "curl_sslkey_filename", "curl_cainfo_filename",
              "curl_crlfile_filename", "curl_sslcertype"}) {
            set_json_string(document, key, name);
        }
        const CheckerConfig c = load_checker_config(document, kExecutableDir);
        EXPECT_EQ(c.curl_sslcert_filename, expected);
        EXPECT_EQ(c.curl_sslkey_filename, expected);
        EXPECT_EQ(c.curl_cainfo_filename, expected);
        EXPECT_EQ(c.curl_crlfile_filename, expected);
        EXPECT_EQ(c.curl_sslcertype, name) << "not a file name, never resolved";
    }
}

TEST(ResolveConfigPath, TakesTheOptionAsTypedOrTheFileBesideTheExecutable) {
    CheckerOptions options;
    EXPECT_EQ(resolve_config_path(options, kExecutableDir), kExecutableDir + "config.json");
    options.config_path = "relative/config.json";
    EXPECT_EQ(resolve_config_path(options, kExecutableDir), "relative/config.json");
    options.config_path = "";
    EXPECT_EQ(resolve_config_path(options, kExecutableDir), "");
}

} // namespace
} // namespace checker
