#include "checker/http_transfer.hpp"

#include "checker/trace_text.hpp"
#include "support/encoding-platform.hpp"
#include "support/encoding.hpp"
#include "support/errors.hpp"
#include "support/files.hpp"

#include <algorithm>
#include <cstring>
#include <exception>

namespace checker {

namespace {

constexpr std::size_t kCallbackError = static_cast<std::size_t>(-1);
constexpr long kLongestWaitSeconds = 10;

template <typename Call> std::size_t guarded(void* user_data, Call&& call) noexcept {
    auto* transfer = static_cast<HttpTransfer*>(user_data);
    try {
        return call(*transfer);
    } catch (const std::exception& e) {
        transfer->add_callback_error(e.what());
    } catch (...) {
        transfer->add_callback_error("");
    }
    return kCallbackError;
}

} // namespace

HttpTransfer::HttpTransfer(const CheckerConfig& config, Tracer& tracer, const CurlMulti& multi,
                           const CurlEasy& easy, SocketWaitFunction wait_for_sockets)
    : config_(config), tracer_(tracer), multi_(multi), easy_(easy),
      wait_for_sockets_(wait_for_sockets) {
    if (curl_easy_setopt(easy_.get(), CURLOPT_ERRORBUFFER, curl_error_text_) != CURLE_OK) {
        throw CheckerException("Error setting option: [CURLOPT_ERRORBUFFER]");
    }
}

HttpTransfer::~HttpTransfer() {
    // The easy handle outlives the transfer: it must not keep writing into the gone buffer.
    curl_easy_setopt(easy_.get(), CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
}

std::size_t HttpTransfer::read_body(char* destination, std::size_t capacity) {
    trace(tracer_, "response chunk read, size: [" + to_string(capacity) + "]");
    if (read_pos_ == buffer_.size()) {
        trace(tracer_, "buffer empty");
        if (!running_) {
            trace(tracer_, "connection closed");
            return 0;
        }
        fill_buffer();
        if (buffer_.empty()) {
            trace(tracer_, "zero read");
            return 0;
        }
    }
    const std::size_t count = std::min(capacity, buffer_.size() - read_pos_);
    std::memcpy(destination, buffer_.data() + read_pos_, count);
    read_pos_ += count;
    trace(tracer_, "response chunk read finish, size: [" + to_string(count) + "]");
    return count;
}

void HttpTransfer::fill_buffer() {
    read_pos_ = 0;
    buffer_.clear();
    trace(tracer_, "fill buffer attempt");
    while (running_ && buffer_.empty()) {
        const Pass pass = perform_pass();
        if (pass == Pass::wait_failed) {
            continue;
        }
        running_ = pass == Pass::running;
        if (!running_) {
            finish_transfer();
        }
    }
}

HttpTransfer::Pass HttpTransfer::perform_pass() {
    if (!wait_for_activity()) {
        return Pass::wait_failed;
    }
    int still_running = -1;
    const CURLMcode result = curl_multi_perform(multi_.get(), &still_running);
    if (result != CURLM_OK) {
        throw CheckerException("cURL multi_perform error: [" + to_string(static_cast<int>(result)) +
                               "]");
    }
    trace(tracer_, "perform complete, result: [" + to_string(still_running) + "]");
    return still_running == 1 ? Pass::running : Pass::ended;
}

bool HttpTransfer::wait_for_activity() {
    long timeout = -1;
    CURLMcode result = curl_multi_timeout(multi_.get(), &timeout);
    if (result != CURLM_OK) {
        throw CheckerException("cURL timeout error: [" + to_string(static_cast<int>(result)) + "]");
    }
    long seconds = kLongestWaitSeconds;
    long microseconds = 0;
    if (timeout > 0) {
        seconds = std::min(timeout / 1000, kLongestWaitSeconds);
        microseconds = (timeout % 1000) * 1000;
    }
    fd_set read_set;
    fd_set write_set;
    fd_set except_set;
    platform::clear_socket_set(read_set);
    platform::clear_socket_set(write_set);
    platform::clear_socket_set(except_set);
    int max_fd = -1;
    result = curl_multi_fdset(multi_.get(), &read_set, &write_set, &except_set, &max_fd);
    if (result != CURLM_OK) {
        throw CheckerException("cURL fdset error: [" + to_string(static_cast<int>(result)) + "]");
    }
    if (max_fd == -1) {
        // Nothing to wait on, e.g. while the resolver thread works: pause and perform.
        trace(tracer_, "fdset fail, enter sleep branch");
        sleep_millis(config_.curl_fdset_timeout_millis);
        return true;
    }
    trace(tracer_, "fdset success, performing select");
    if (wait_for_sockets_(max_fd + 1, read_set, write_set, except_set, seconds, microseconds) ==
        -1) {
        const std::uint32_t code = platform::last_error();
        trace(tracer_, "select fail");
        if (++select_failures_ >= kMaxSelectFailures) {
            throw CheckerException("Error waiting for the connection, 'select' failed: [" +
                                   to_string(select_failures_) + "] times in a row, error: [" +
                                   errcode_to_string(code) + "]");
        }
        return false;
    }
    select_failures_ = 0;
    return true;
}

void HttpTransfer::finish_transfer() {
    trace(tracer_, "connection closed, headers: [" + to_string(headers_received_) + "]");
    trace(tracer_, "connection closed, response_code: [" + to_string(response_code_) + "]");
    const CURLcode result = transfer_result();
    if (result == CURLE_OPERATION_TIMEDOUT) {
        // libcurl gives the stall, the connect time-out and the whole-transfer bound one result
        // code; the time spent tells the last apart, since it fires only once that time is up.
        const std::uint32_t bound = config_.curl_transfer_timeout_seconds;
        if (bound != 0 &&
            std::chrono::steady_clock::now() - started_ >= std::chrono::seconds(bound)) {
            throw CheckerException(
                "HTTP transfer took longer than 'curl_transfer_timeout_seconds': [" +
                to_string(bound) + "], error: [" + std::string(curl_easy_strerror(result)) + "]");
        }
        throw CheckerException("HTTP transfer stalled or timed out, error: [" +
                               std::string(curl_easy_strerror(result)) + "]");
    }
    if (result == CURLE_RECV_ERROR) {
        // A connection that broke, or a response that libcurl refused part-way (its headers
        // outgrew libcurl's bound): without the reason the run would read as an empty body.
        throw CheckerException("HTTP transfer failed, error: [" +
                               std::string(curl_easy_strerror(result)) + "], detail: [" +
                               std::string(curl_error_text_) + "]");
    }
    if (!headers_received_) {
        throw CheckerException("HTTP connection error");
    }
    if (response_code_ >= 400) {
        throw CheckerException("HTTP error returned from server, response_code: [" +
                               to_string(response_code_) + "]");
    }
}

CURLcode HttpTransfer::transfer_result() const {
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy_.get()) {
            return message->data.result;
        }
    }
    return CURLE_OK;
}

std::size_t HttpTransfer::on_body_chunk(const char* data, std::size_t size, std::size_t count) {
    const std::size_t length = size * count;
    if (length > config_.curl_max_bufsize_bytes) {
        throw CheckerException("'curl_max_bufsize_bytes' exceeded: [" + to_string(length) + "]");
    }
    const std::uint32_t body_limit = config_.max_remote_json_size_bytes;
    if (body_limit != 0 && body_bytes_ + length > body_limit) {
        throw CheckerException("HTTP response body larger than 'max_remote_json_size_bytes': [" +
                               to_string(body_limit) + "]");
    }
    body_bytes_ += length;
    // The fill loop ends after the pass, so every piece of that pass must be kept, in order.
    buffer_.insert(buffer_.end(), data, data + length);
    trace(tracer_, "data chunk received, size: [" + to_string(length) + "]");
    if (tracer_.is_enabled()) {
        trace(tracer_, "EVENT_RESPONSE " + std::string(data, length));
    }
    return length;
}

std::size_t HttpTransfer::on_header_line(const char* /*data*/, std::size_t size,
                                         std::size_t count) {
    headers_received_ = true;
    response_code_ = static_cast<std::int32_t>(easy_.get_long_info(CURLINFO_RESPONSE_CODE));
    return size * count;
}

void HttpTransfer::add_callback_error(const char* message) noexcept {
    try {
        if (message[0] == '\0') {
            return;
        }
        if (!callback_errors_.empty()) {
            callback_errors_ += "\n";
        }
        callback_errors_ += message;
    } catch (...) {
        // Out of memory: the message is lost, the error value still reaches the library.
    }
}

std::size_t transfer_body_function(char* data, std::size_t size, std::size_t count,
                                   void* transfer) {
    return guarded(transfer, [&](HttpTransfer& t) { return t.on_body_chunk(data, size, count); });
}

std::size_t transfer_header_function(char* data, std::size_t size, std::size_t count,
                                     void* transfer) {
    return guarded(transfer, [&](HttpTransfer& t) { return t.on_header_line(data, size, count); });
}

std::size_t transfer_read_function(void* buffer, std::size_t capacity, void* transfer) {
    return guarded(transfer, [&](HttpTransfer& t) {
        return t.read_body(static_cast<char*>(buffer), capacity);
    });
}

} // namespace checker
