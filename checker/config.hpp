// config.json: where it is found, every key with its type and default, and the record built from
// it.
#pragma once

#include "checker/command_line.hpp"
#include "support/json.hpp"

#include <cstdint>
#include <string>

namespace checker {

// The configuration file is read up to this many bytes, whatever it says about other limits.
constexpr std::uint32_t kConfigReadLimit = 32768;

// One field per key of config.json, named after it; every key is optional.
struct CheckerConfig {
    std::string remote_version_url;
    std::uint32_t max_json_size_bytes = 32768;
    std::string version_filename;
    std::uint32_t max_path_length = 1024;
    std::string vendor_name = "fennory";
    std::string application_name = "update_checker";
    std::uint32_t curl_max_connects = 1;
    std::uint32_t curl_max_bufsize_bytes = 32768;
    std::uint32_t curl_fdset_timeout_millis = 100;
    bool curl_force_http_10 = true;
    bool curl_noprogress = true;
    bool curl_nosignal = true;
    bool curl_tcp_nodelay = false;
    std::uint32_t curl_connecttimeout_millis = 10000;
    std::uint32_t curl_buffersize_bytes = 16384;
    std::string curl_accept_encoding = "gzip";
    bool curl_followlocation = true;
    std::uint32_t curl_maxredirs = 32;
    std::string curl_useragent;
    std::uint32_t curl_max_sent_speed_large_bytes_per_second = 0;
    std::uint32_t curl_max_recv_speed_large_bytes_per_second = 0;
    std::string curl_sslcert_filename;
    std::string curl_sslcertype;
    std::string curl_sslkey_filename;
    std::string curl_ssl_key_type;
    std::string curl_ssl_keypasswd;
    bool curl_require_tls = true;
    bool curl_ssl_verifyhost = true;
    bool curl_ssl_verifypeer = true;
    std::string curl_cainfo_filename;
    std::string curl_crlfile_filename;
    std::string curl_ssl_cipher_list;
    // Seconds without a received byte after which a transfer is given up; 0 = wait for ever.
    std::uint32_t curl_stall_timeout_seconds = 60;
    // Seconds the whole download may take, redirects included; 0 = no bound. A server that drips
    // a byte now and then keeps the stall bound from firing; this one still ends the run.
    std::uint32_t curl_transfer_timeout_seconds = 300;
    // Decoded body bytes accepted from the server; 0 = no bound. Far above any honest response,
    // it ends an endless body or a compression bomb before its parsed values fill the memory.
    std::uint32_t max_remote_json_size_bytes = 134217728;
    bool system_trace_enable = false;
};

// The --config value exactly as typed when present, otherwise config.json in executable_dir.
std::string resolve_config_path(const CheckerOptions& options, const std::string& executable_dir);

// Reads every key with its default; relative file names are put below executable_dir.
CheckerConfig load_checker_config(const JsonPtr& document, const std::string& executable_dir);

} // namespace checker
