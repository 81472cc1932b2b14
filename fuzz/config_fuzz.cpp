// load_checker_config on any JSON object (and on any array the load hook converts): never an
// exception, and every field holds what an independent reading of its key gives: the member when
// it has the key's type (u32: an integer from 0 to 4294967294), the default otherwise, and the
// four file names put below the executable's directory unless they start with "/".
#include "checker/config.hpp"
#include "checker/remote_descriptor.hpp"
#include "fuzz/fuzz_support.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace checker::fuzz {
namespace {

const std::string kExecutableDir = "/opt/tavrik/bin/";

struct TextKey {
    const char* key;
    std::string CheckerConfig::*field;
    bool file_name;
};
struct NumberKey {
    const char* key;
    std::uint32_t CheckerConfig::*field;
};
struct FlagKey {
    const char* key;
    bool CheckerConfig::*field;
};

const std::vector<TextKey> kTextKeys{
    {"remote_version_url", &CheckerConfig::remote_version_url, false},
    {"version_filename", &CheckerConfig::version_filename, false},
    {"vendor_name", &CheckerConfig::vendor_name, false},
    {"application_name", &CheckerConfig::application_name, false},
    {"curl_accept_encoding", &CheckerConfig::curl_accept_encoding, false},
    {"curl_useragent", &CheckerConfig::curl_useragent, false},
    {"curl_sslcert_filename", &CheckerConfig::curl_sslcert_filename, true},
    {"curl_sslcertype", &CheckerConfig::curl_sslcertype, false},
    {"curl_sslkey_filename", &CheckerConfig::curl_sslkey_filename, true},
    {"curl_ssl_key_type", &CheckerConfig::curl_ssl_key_type, false},
    {"curl_ssl_keypasswd", &CheckerConfig::curl_ssl_keypasswd, false},
    {"curl_cainfo_filename", &CheckerConfig::curl_cainfo_filename, true},
    {"curl_crlfile_filename", &CheckerConfig::curl_crlfile_filename, true},
    {"curl_ssl_cipher_list", &CheckerConfig::curl_ssl_cipher_list, false},
};
const std::vector<NumberKey> kNumberKeys{
    {"max_json_size_bytes", &CheckerConfig::max_json_size_bytes},
    {"max_path_length", &CheckerConfig::max_path_length},
    {"curl_max_connects", &CheckerConfig::curl_max_connects},
    {"curl_max_bufsize_bytes", &CheckerConfig::curl_max_bufsize_bytes},
    {"curl_fdset_timeout_millis", &CheckerConfig::curl_fdset_timeout_millis},
    {"curl_connecttimeout_millis", &CheckerConfig::curl_connecttimeout_millis},
    {"curl_buffersize_bytes", &CheckerConfig::curl_buffersize_bytes},
    {"curl_maxredirs", &CheckerConfig::curl_maxredirs},
    {"curl_max_sent_speed_large_bytes_per_second",
     &CheckerConfig::curl_max_sent_speed_large_bytes_per_second},
    {"curl_max_recv_speed_large_bytes_per_second",
     &CheckerConfig::curl_max_recv_speed_large_bytes_per_second},
    {"curl_stall_timeout_seconds", &CheckerConfig::curl_stall_timeout_seconds},
    {"curl_transfer_timeout_seconds", &CheckerConfig::curl_transfer_timeout_seconds},
    {"max_remote_json_size_bytes", &CheckerConfig::max_remote_json_size_bytes},
};
const std::vector<FlagKey> kFlagKeys{
    {"curl_force_http_10", &CheckerConfig::curl_force_http_10},
    {"curl_noprogress", &CheckerConfig::curl_noprogress},
    {"curl_nosignal", &CheckerConfig::curl_nosignal},
    {"curl_tcp_nodelay", &CheckerConfig::curl_tcp_nodelay},
    {"curl_followlocation", &CheckerConfig::curl_followlocation},
    {"curl_require_tls", &CheckerConfig::curl_require_tls},
    {"curl_ssl_verifyhost", &CheckerConfig::curl_ssl_verifyhost},
    {"curl_ssl_verifypeer", &CheckerConfig::curl_ssl_verifypeer},
    {"system_trace_enable", &CheckerConfig::system_trace_enable},
};

void check_config(const json_t* document, const CheckerConfig& config) {
    const CheckerConfig defaults;
    for (const TextKey& k : kTextKeys) {
        const json_t* member = json_object_get(document, k.key);
        std::string expected = json_is_string(member) ? std::string(json_string_value(member),
                                                                    json_string_length(member))
                                                      : defaults.*k.field;
        if (k.file_name && !expected.empty() && expected[0] != '/') {
            expected = kExecutableDir + expected;
        }
        check(config.*k.field == expected, std::string("wrong value for ") + k.key);
    }
    for (const NumberKey& k : kNumberKeys) {
        const json_t* member = json_object_get(document, k.key);
        const bool usable = json_is_integer(member) && json_integer_value(member) >= 0 &&
                            json_integer_value(member) <= 4294967294LL;
        const std::uint32_t expected =
            usable ? static_cast<std::uint32_t>(json_integer_value(member)) : defaults.*k.field;
        check(config.*k.field == expected, std::string("wrong value for ") + k.key);
    }
    for (const FlagKey& k : kFlagKeys) {
        const json_t* member = json_object_get(document, k.key);
        const bool expected = json_is_boolean(member) ? json_is_true(member) : defaults.*k.field;
        check(config.*k.field == expected, std::string("wrong value for ") + k.key);
    }
}

} // namespace
} // namespace checker::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace checker;
    using namespace checker::fuzz;
    json_error_t error{};
    JsonPtr document(json_loadb(reinterpret_cast<const char*>(data), size, kJsonLoadFlags, &error));
    if (json_is_array(document.get())) {
        // A configuration file is offered to the conversion first, like every file the checker
        // loads; only a DM response that converts is read as a configuration.
        try {
            document = convert_remote_descriptor(std::move(document));
        } catch (const CheckerException&) {
            return 0;
        }
    }
    if (!json_is_object(document.get())) {
        return 0;
    }
    check_config(document.get(), load_checker_config(document, kExecutableDir));
    return 0;
}
