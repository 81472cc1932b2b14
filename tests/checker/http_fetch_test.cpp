#include "checker/http_fetch.hpp"

#include "socket_test_platform.hpp"
#include "support/errors.hpp"
#include "test_platform.hpp"

#include <gtest/gtest.h>

#include <string>

namespace checker {
namespace {

// select cannot be made to fail on demand, so these waits stand in for it.
int g_waits = 0;
std::uint32_t g_wait_code = 0;

int failing_wait(int, fd_set&, fd_set&, fd_set&, long, long) {
    ++g_waits;
    g_wait_code = test::platform::leave_interrupted_wait_code();
    return -1;
}

// Fails one time fewer than the bound, then waits for real.
int recovering_wait(int count, fd_set& read, fd_set& write, fd_set& except, long seconds,
                    long microseconds) {
    if (++g_waits < static_cast<int>(kMaxSelectFailures)) {
        test::platform::leave_interrupted_wait_code();
        return -1;
    }
    return platform::wait_for_sockets(count, read, write, except, seconds, microseconds);
}

std::string fetch_error(SocketWaitFunction wait) {
    CheckerConfig config;
    // Nothing listens there; the connect attempt gives libcurl a socket to wait on.
    config.remote_version_url = "http://127.0.0.1:1/dm";
    config.curl_fdset_timeout_millis = 1;
    Tracer tracer(true);
    g_waits = 0;
    try {
        fetch_remote_json(config, tracer, wait);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

TEST(FetchRemoteJson, GivesUpWhenTheWaitKeepsFailing) {
    const std::string error = fetch_error(failing_wait);
    EXPECT_EQ(error,
              "HTTP connection error: [Error waiting for the connection, 'select' failed: [" +
                  to_string(kMaxSelectFailures) + "] times in a row, error: [code: [" +
                  to_string(g_wait_code) + "], message: [" +
                  test::platform::system_message(g_wait_code) + "]]]");
    EXPECT_EQ(g_waits, static_cast<int>(kMaxSelectFailures));
}

TEST(FetchRemoteJson, ToleratesFailuresBelowTheBound) {
    EXPECT_EQ(fetch_error(recovering_wait), "HTTP connection error: [HTTP connection error]");
    EXPECT_GE(g_waits, static_cast<int>(kMaxSelectFailures));
}

} // namespace
} // namespace checker
