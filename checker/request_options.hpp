// The one place where the configuration becomes options of the download's easy handle.
#pragma once

#include "checker/config.hpp"
#include "checker/curl_handles.hpp"
#include "support/tracer.hpp"

#include <cstddef>
#include <string>

namespace checker {

// libcurl's write-callback shape, used for the body and the header function alike.
using CurlDataFunction = std::size_t (*)(char* data, std::size_t size, std::size_t count,
                                         void* user_data);

// The schemes a request and its redirects may use: "https" for an https:// URL (any case), so
// that a redirect can never downgrade it; "http,https" otherwise.
std::string allowed_protocols(const std::string& url);

// Traces the URL, then applies the request options in their fixed order, then the stall bound, the
// bound on the whole transfer and the protocol restriction. Throws at the first option that fails.
void configure_request(CurlEasy& easy, const CheckerConfig& config, Tracer& tracer, void* user_data,
                       CurlDataFunction write_function, CurlDataFunction header_function);

} // namespace checker
