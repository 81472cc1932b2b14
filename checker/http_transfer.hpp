// The state of one download while the JSON parser pulls its body: each pull that finds nothing
// buffered drives libcurl's multi interface until a chunk has arrived or the transfer has ended.
#pragma once

#include "checker/config.hpp"
#include "checker/curl_handles.hpp"
#include "checker/socket_wait-platform.hpp"
#include "support/tracer.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace checker {

// The shape of platform::wait_for_sockets; tests put a failing one in its place.
using SocketWaitFunction = int (*)(int descriptor_count, fd_set& read, fd_set& write,
                                   fd_set& except, long seconds, long microseconds);

// Consecutive failed waits after which the download gives up instead of spinning.
constexpr std::uint32_t kMaxSelectFailures = 100;

class HttpTransfer {
public:
    HttpTransfer(const CheckerConfig& config, Tracer& tracer, const CurlMulti& multi,
                 const CurlEasy& easy, SocketWaitFunction wait_for_sockets);
    virtual ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Up to capacity bytes of the body; 0 at its end.
    std::size_t read_body(char* destination, std::size_t capacity);
    // A piece of the decoded body; a piece in the same pass as an earlier one is appended to it.
    std::size_t on_body_chunk(const char* data, std::size_t size, std::size_t count);
    std::size_t on_header_line(const char* data, std::size_t size, std::size_t count);

    // Keeps the message of a failure caught in a library callback; never throws.
    void add_callback_error(const char* message) noexcept;
    const std::string& callback_errors() const { return callback_errors_; }

protected:
    enum class Pass { wait_failed, running, ended };
    // One pass of libcurl's multi interface: wait for activity, then perform. The body and header
    // functions run inside it. The fuzz harness puts scripted body pieces in its place, so that
    // the rest of the pull loop is exercised as it runs in the program.
    virtual Pass perform_pass();

private:
    void fill_buffer();
    // False when the pass must start again without performing (the wait failed).
    bool wait_for_activity();
    void finish_transfer();
    CURLcode transfer_result() const;

    const CheckerConfig& config_;
    Tracer& tracer_;
    const CurlMulti& multi_;
    const CurlEasy& easy_;
    SocketWaitFunction wait_for_sockets_;
    std::vector<char> buffer_;
    std::size_t read_pos_ = 0;
    bool running_ = true;
    bool headers_received_ = false;
    std::int32_t response_code_ = -1;
    std::uint32_t select_failures_ = 0;
    std::uint64_t body_bytes_ = 0;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    // libcurl's own words on a failed transfer (CURLOPT_ERRORBUFFER), for the messages that have
    // no better source, such as response headers that outgrow libcurl's bound.
    char curl_error_text_[CURL_ERROR_SIZE] = {};
    std::string callback_errors_;
};

// The functions handed to libcurl (body, header) and jansson (read), with the HttpTransfer as user
// data. No exception leaves them: its message goes to callback_errors and the library gets a size
// with all bits set, which libcurl answers by aborting and jansson by ending the input.
std::size_t transfer_body_function(char* data, std::size_t size, std::size_t count, void* transfer);
std::size_t transfer_header_function(char* data, std::size_t size, std::size_t count,
                                     void* transfer);
std::size_t transfer_read_function(void* buffer, std::size_t capacity, void* transfer);

} // namespace checker
