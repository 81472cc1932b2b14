#include "checker/http_fetch.hpp"

#include "support/errors.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace checker {
namespace {

// select cannot be made to fail on demand, so these waits stand in for it.
int g_waits = 0;

int failing_wait(int, fd_set&, fd_set&, fd_set&, long, long) {
    ++g_waits;
    errno = EINTR;
    return -1;
}

// Fails one time fewer than the bound, then waits for real.
int recovering_wait(int count, fd_set& read, fd_set& write, fd_set& except, long seconds,
                    long microseconds) {
    if (++g_waits < static_cast<int>(kMaxSelectFailures)) {
        errno = EINTR;
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
    EXPECT_EQ(fetch_error(failing_wait),
              "HTTP connection error: [Error waiting for the connection, 'select' failed: [" +
                  to_string(kMaxSelectFailures) +
                  "] times in a row, error: [code: [4], message: [Interrupted system call]]]");
    EXPECT_EQ(g_waits, static_cast<int>(kMaxSelectFailures));
}

TEST(FetchRemoteJson, ToleratesFailuresBelowTheBound) {
    EXPECT_EQ(fetch_error(recovering_wait), "HTTP connection error: [HTTP connection error]");
    EXPECT_GE(g_waits, static_cast<int>(kMaxSelectFailures));
}

} // namespace
} // namespace checker
