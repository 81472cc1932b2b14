#include "checker/request_options.hpp"

#include "checker/trace_text.hpp"
#include "support/errors.hpp"

#include <algorithm>
#include <cctype>

namespace checker {

namespace {

void set_directly(CURLcode result, const char* option_name) {
    if (result != CURLE_OK) {
        throw CheckerException("Error setting option: [" + std::string(option_name) + "]");
    }
}

// A transfer that receives less than one byte a second for this long ends with
// CURLE_OPERATION_TIMEDOUT; 0 means no bound.
void set_stall_bound(CurlEasy& easy, std::uint32_t seconds) {
    if (seconds == 0) {
        return;
    }
    easy.set_long_option(CURLOPT_LOW_SPEED_LIMIT, 1);
    easy.set_long_option(CURLOPT_LOW_SPEED_TIME, seconds);
}

} // namespace

std::string allowed_protocols(const std::string& url) {
    std::string scheme = url.substr(0, 8);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme == "https://" ? "https" : "http,https";
}

void configure_request(CurlEasy& easy, const CheckerConfig& config, Tracer& tracer, void* user_data,
                       CurlDataFunction write_function, CurlDataFunction header_function) {
    trace(tracer, "EVENT_URL " + config.remote_version_url);
    CURL* handle = easy.get();
    easy.set_string_option(CURLOPT_URL, config.remote_version_url);
    easy.set_bool_option(CURLOPT_HTTPGET, true);
    easy.set_pointer_option(CURLOPT_WRITEDATA, user_data);
    set_directly(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, write_function),
                 "CURLOPT_WRITEFUNCTION");
    easy.set_pointer_option(CURLOPT_HEADERDATA, user_data);
    set_directly(curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, header_function),
                 "CURLOPT_HEADERFUNCTION");
    if (config.curl_force_http_10) {
        set_directly(curl_easy_setopt(handle, CURLOPT_HTTP_VERSION,
                                      static_cast<long>(CURL_HTTP_VERSION_1_0)),
                     "CURLOPT_HTTP_VERSION");
    }
    easy.set_bool_option(CURLOPT_NOPROGRESS, config.curl_noprogress);
    easy.set_bool_option(CURLOPT_NOSIGNAL, config.curl_nosignal);
    easy.set_bool_option(CURLOPT_TCP_NODELAY, config.curl_tcp_nodelay);
    easy.set_long_option(CURLOPT_CONNECTTIMEOUT_MS, config.curl_connecttimeout_millis);
    easy.set_long_option(CURLOPT_BUFFERSIZE, config.curl_buffersize_bytes);
    easy.set_string_option(CURLOPT_ACCEPT_ENCODING, config.curl_accept_encoding);
    easy.set_bool_option(CURLOPT_FOLLOWLOCATION, config.curl_followlocation);
    easy.set_long_option(CURLOPT_MAXREDIRS, config.curl_maxredirs);
    easy.set_string_option(CURLOPT_USERAGENT, config.curl_useragent);
    easy.set_long_option(CURLOPT_MAX_SEND_SPEED_LARGE,
                         config.curl_max_sent_speed_large_bytes_per_second);
    easy.set_long_option(CURLOPT_MAX_RECV_SPEED_LARGE,
                         config.curl_max_recv_speed_large_bytes_per_second);
    easy.set_string_option(CURLOPT_SSLCERT, config.curl_sslcert_filename);
    easy.set_string_option(CURLOPT_SSLCERTTYPE, config.curl_sslcertype);
    easy.set_string_option(CURLOPT_SSLKEY, config.curl_sslkey_filename);
    easy.set_string_option(CURLOPT_SSLKEYTYPE, config.curl_ssl_key_type);
    easy.set_string_option(CURLOPT_KEYPASSWD, config.curl_ssl_keypasswd);
    if (config.curl_require_tls) {
        set_directly(
            curl_easy_setopt(handle, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1)),
            "CURLOPT_SSLVERSION");
    }
    if (config.curl_ssl_verifyhost) {
        easy.set_long_option(CURLOPT_SSL_VERIFYHOST, 2);
    } else {
        easy.set_bool_option(CURLOPT_SSL_VERIFYHOST, false);
    }
    easy.set_bool_option(CURLOPT_SSL_VERIFYPEER, config.curl_ssl_verifypeer);
    easy.set_string_option(CURLOPT_CAINFO, config.curl_cainfo_filename);
    easy.set_string_option(CURLOPT_CRLFILE, config.curl_crlfile_filename);
    easy.set_string_option(CURLOPT_SSL_CIPHER_LIST, config.curl_ssl_cipher_list);

    set_stall_bound(easy, config.curl_stall_timeout_seconds);
    // The whole transfer, connect and redirects included, ends with CURLE_OPERATION_TIMEDOUT
    // after this many seconds; 0 leaves libcurl's default, no bound.
    easy.set_long_option(CURLOPT_TIMEOUT, config.curl_transfer_timeout_seconds);
    const std::string protocols = allowed_protocols(config.remote_version_url);
    easy.set_string_option(CURLOPT_PROTOCOLS_STR, protocols);
    easy.set_string_option(CURLOPT_REDIR_PROTOCOLS_STR, protocols);
}

} // namespace checker
