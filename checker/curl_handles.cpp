#include "checker/curl_handles.hpp"

#include "support/errors.hpp"

namespace checker {

namespace {

constexpr std::uint32_t kLargestLong = 2147483647;
// Stands in for the key pass phrase wherever a message would quote it.
constexpr const char* kMaskedSecret = "********";

std::string option_code(CURLoption option) {
    return to_string(static_cast<int>(option));
}

bool takes_offset(CURLoption option) {
    return option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB;
}

} // namespace

CurlGlobal::CurlGlobal() {
    const CURLcode result = curl_global_init(CURL_GLOBAL_ALL);
    if (result != CURLE_OK) {
        throw CheckerException("'curl_global_init' error: [" +
                               std::string(curl_easy_strerror(result)) + "]");
    }
}

CurlGlobal::~CurlGlobal() {
    curl_global_cleanup();
}

CurlMulti::CurlMulti(CURLM* handle) : handle_(handle) {
    if (!handle_) {
        throw CheckerException("Invalid 'null' CURLM specified");
    }
}

void CurlMulti::set_option(CURLMoption option, std::uint32_t value) {
    if (curl_multi_setopt(handle_.get(), option, static_cast<long>(value)) != CURLM_OK) {
        throw CheckerException("Error setting multi option: [" +
                               to_string(static_cast<int>(option)) + "], to value: [" +
                               to_string(value) + "]");
    }
}

CurlEasy::CurlEasy(const CurlMulti& multi, CURL* handle) : multi_(multi.get()), handle_(handle) {
    if (multi_ == nullptr) {
        throw CheckerException("Invalid 'null' CURLM specified");
    }
    if (!handle_) {
        throw CheckerException("Invalid 'null' CURL specified");
    }
    const CURLMcode result = curl_multi_add_handle(multi_, handle_.get());
    if (result != CURLM_OK) {
        throw CheckerException("cURL multi_add error: [" + to_string(static_cast<int>(result)) +
                               "]");
    }
}

CurlEasy::~CurlEasy() {
    curl_multi_remove_handle(multi_, handle_.get());
}

void CurlEasy::set_long_option(CURLoption option, std::uint32_t value) {
    if (value == 0) {
        return;
    }
    if (value > kLargestLong) {
        throw CheckerException("Error setting option: [" + option_code(option) +
                               "], to invalid overflow value: [" + to_string(value) + "]");
    }
    const CURLcode result =
        takes_offset(option)
            ? curl_easy_setopt(handle_.get(), option, static_cast<curl_off_t>(value))
            : curl_easy_setopt(handle_.get(), option, static_cast<long>(value));
    if (result != CURLE_OK) {
        throw CheckerException("Error setting option: [" + option_code(option) + "], to value: [" +
                               to_string(value) + "]");
    }
}

void CurlEasy::set_bool_option(CURLoption option, bool value) {
    if (curl_easy_setopt(handle_.get(), option, value ? 1L : 0L) != CURLE_OK) {
        throw CheckerException("Error setting option: [" + option_code(option) + "], to value: [" +
                               to_string(value) + "]");
    }
}

void CurlEasy::set_string_option(CURLoption option, const std::string& value) {
    if (value.empty()) {
        return;
    }
    if (curl_easy_setopt(handle_.get(), option, value.c_str()) != CURLE_OK) {
        const std::string shown = option == CURLOPT_KEYPASSWD ? kMaskedSecret : value;
        throw CheckerException("Error setting option: [" + option_code(option) + "], to value: [" +
                               shown + "]");
    }
}

void CurlEasy::set_pointer_option(CURLoption option, void* value) {
    if (value == nullptr) {
        return;
    }
    if (curl_easy_setopt(handle_.get(), option, value) != CURLE_OK) {
        throw CheckerException("Error setting option: [" + option_code(option) + "]");
    }
}

long CurlEasy::get_long_info(CURLINFO info) const {
    long value = -1;
    const CURLcode result = curl_easy_getinfo(handle_.get(), info, &value);
    if (result != CURLE_OK) {
        throw CheckerException("cURL curl_easy_getinfo error: [" +
                               to_string(static_cast<int>(result)) + "], option: [" +
                               to_string(static_cast<int>(info)) + "]");
    }
    return value;
}

} // namespace checker
