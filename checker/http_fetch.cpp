#include "checker/http_fetch.hpp"

#include "checker/curl_handles.hpp"
#include "checker/json_allocation_watch.hpp"
#include "checker/request_options.hpp"
#include "checker/trace_text.hpp"
#include "support/errors.hpp"

namespace checker {

JsonPtr fetch_remote_json(const CheckerConfig& config, Tracer& tracer) {
    return fetch_remote_json(config, tracer, platform::wait_for_sockets);
}

JsonPtr fetch_remote_json(const CheckerConfig& config, Tracer& tracer,
                          SocketWaitFunction wait_for_sockets) {
    // Declared in this order so that they go in the reverse one: transfer, easy, multi, global.
    CurlGlobal global;
    CurlMulti multi(curl_multi_init());
    multi.set_option(CURLMOPT_MAXCONNECTS, config.curl_max_connects);
    CurlEasy easy(multi, curl_easy_init());
    HttpTransfer transfer(config, tracer, multi, easy, wait_for_sockets);
    configure_request(easy, config, tracer, &transfer, transfer_body_function,
                      transfer_header_function);
    trace(tracer, "curl init complete");
    return parse_streamed_body(transfer);
}

JsonPtr parse_streamed_body(HttpTransfer& transfer) {
    json_error_t error{};
    const JsonAllocationCheck allocations;
    JsonPtr value(json_load_callback(transfer_read_function, &transfer, kJsonLoadFlags, &error));
    if (value && allocations.failed()) {
        throw CheckerException("Error parsing JSON, text: [out of memory], position: [" +
                               to_string(error.position) + "]");
    }
    if (value) {
        // Whatever libcurl has not delivered yet is dropped with the handles.
        return accept_loaded_json(std::move(value));
    }
    const std::string& callback_errors = transfer.callback_errors();
    if (!callback_errors.empty() && error.line == 1 && error.column == 0 && error.position == 0) {
        throw CheckerException("HTTP connection error: [" + callback_errors + "]");
    }
    throw CheckerException("Error parsing JSON, text: [" + std::string(error.text) + "], line: [" +
                           to_string(error.line) + "], column: [" + to_string(error.column) +
                           "], position: [" + to_string(error.position) + "], callback error: [" +
                           callback_errors + "]");
}

} // namespace checker
