// Owners of libcurl's global state, one multi handle and one easy handle attached to it, and the
// option setters that report failures in the checker's words.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <curl/curl.h>

namespace checker {

// curl_global_init for as long as it lives.
class CurlGlobal {
public:
    CurlGlobal();
    ~CurlGlobal();
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
};

class CurlMulti {
public:
    explicit CurlMulti(CURLM* handle);

    CURLM* get() const { return handle_.get(); }
    // Applied whatever the value, 0 included.
    void set_option(CURLMoption option, std::uint32_t value);

private:
    struct Cleanup {
        void operator()(CURLM* handle) const noexcept { curl_multi_cleanup(handle); }
    };
    std::unique_ptr<CURLM, Cleanup> handle_;
};

// Attached to its multi handle from construction until destruction; the multi owner must outlive
// it.
class CurlEasy {
public:
    CurlEasy(const CurlMulti& multi, CURL* handle);
    ~CurlEasy();
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    CURL* get() const { return handle_.get(); }

    // 0 leaves libcurl's default in place; values above 2147483647 are refused before libcurl sees
    // them. The _LARGE options get the value as curl_off_t.
    void set_long_option(CURLoption option, std::uint32_t value);
    void set_bool_option(CURLoption option, bool value);
    // The empty text leaves libcurl's default in place; libcurl keeps its own copy.
    void set_string_option(CURLoption option, const std::string& value);
    // Null leaves libcurl's default in place.
    void set_pointer_option(CURLoption option, void* value);
    long get_long_info(CURLINFO info) const;

private:
    struct Cleanup {
        void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
    };
    CURLM* multi_;
    std::unique_ptr<CURL, Cleanup> handle_;
};

} // namespace checker
