#include "checker/config.hpp"

namespace checker {

namespace {

// Only a leading "/" counts as absolute; anything else is taken relative to the executable.
void resolve_file_name(std::string& file_name, const std::string& executable_dir) {
    if (!file_name.empty() && file_name.front() != '/') {
        file_name.insert(0, executable_dir);
    }
}

} // namespace

std::string resolve_config_path(const CheckerOptions& options, const std::string& executable_dir) {
    if (options.config_path) {
        return *options.config_path;
    }
    return executable_dir + "config.json";
}

CheckerConfig load_checker_config(const JsonPtr& document, const std::string& executable_dir) {
    CheckerConfig c;
    auto text = [&document](const char* key, std::string& field) {
        field = get_json_string(document, key, field);
    };
    auto u32 = [&document](const char* key, std::uint32_t& field) {
        field = get_json_uint32(document, key, field);
    };
    auto flag = [&document](const char* key, bool& field) {
        field = get_json_bool(document, key, field);
    };
    text("remote_version_url", c.remote_version_url);
    u32("max_json_size_bytes", c.max_json_size_bytes);
    text("version_filename", c.version_filename);
    u32("max_path_length", c.max_path_length);
    text("vendor_name", c.vendor_name);
    text("application_name", c.application_name);
    u32("curl_max_connects", c.curl_max_connects);
    u32("curl_max_bufsize_bytes", c.curl_max_bufsize_bytes);
    u32("curl_fdset_timeout_millis", c.curl_fdset_timeout_millis);
    flag("curl_force_http_10", c.curl_force_http_10);
    flag("curl_noprogress", c.curl_noprogress);
    flag("curl_nosignal", c.curl_nosignal);
    flag("curl_tcp_nodelay", c.curl_tcp_nodelay);
    u32("curl_connecttimeout_millis", c.curl_connecttimeout_millis);
    u32("curl_buffersize_bytes", c.curl_buffersize_bytes);
    text("curl_accept_encoding", c.curl_accept_encoding);
    flag("curl_followlocation", c.curl_followlocation);
    u32("curl_maxredirs", c.curl_maxredirs);
    text("curl_useragent", c.curl_useragent);
    u32("curl_max_sent_speed_large_bytes_per_second", c.curl_max_sent_speed_large_bytes_per_second);
    u32("curl_max_recv_speed_large_bytes_per_second", c.curl_max_recv_speed_large_bytes_per_second);
    text("curl_sslcert_filename", c.curl_sslcert_filename);
    text("curl_sslcertype", c.curl_sslcertype);
    text("curl_sslkey_filename", c.curl_sslkey_filename);
    text("curl_ssl_key_type", c.curl_ssl_key_type);
    text("curl_ssl_keypasswd", c.curl_ssl_keypasswd);
    flag("curl_require_tls", c.curl_require_tls);
    flag("curl_ssl_verifyhost", c.curl_ssl_verifyhost);
    flag("curl_ssl_verifypeer", c.curl_ssl_verifypeer);
    text("curl_cainfo_filename", c.curl_cainfo_filename);
    text("curl_crlfile_filename", c.curl_crlfile_filename);
    text("curl_ssl_cipher_list", c.curl_ssl_cipher_list);
    u32("curl_stall_timeout_seconds", c.curl_stall_timeout_seconds);
    u32("curl_transfer_timeout_seconds", c.curl_transfer_timeout_seconds);
    u32("max_remote_json_size_bytes", c.max_remote_json_size_bytes);
    flag("system_trace_enable", c.system_trace_enable);

    resolve_file_name(c.curl_sslcert_filename, executable_dir);
    resolve_file_name(c.curl_sslkey_filename, executable_dir);
    resolve_file_name(c.curl_cainfo_filename, executable_dir);
    resolve_file_name(c.curl_crlfile_filename, executable_dir);
    return c;
}

} // namespace checker
