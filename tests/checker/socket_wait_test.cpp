#include "checker/curl_handles.hpp"
#include "checker/socket_wait-platform.hpp"
#include "socket_test_platform.hpp"
#include "support/encoding-platform.hpp"

#include <gtest/gtest.h>

namespace checker {
namespace {

// The download reads the code of a failed wait through last_error(): the wait must leave the
// system's own code there (on Windows, Winsock's).
TEST(WaitForSockets, LeavesTheSystemsCodeWhenASocketIsGone) {
    // Winsock works only while libcurl's global state holds it started.
    CurlGlobal global;
    fd_set read_set;
    fd_set write_set;
    fd_set except_set;
    platform::clear_socket_set(read_set);
    platform::clear_socket_set(write_set);
    platform::clear_socket_set(except_set);
    const int count = test::platform::add_closed_socket(read_set);
    EXPECT_EQ(platform::wait_for_sockets(count, read_set, write_set, except_set, 1, 0), -1);
    EXPECT_EQ(platform::last_error(), test::platform::closed_socket_code());
}

} // namespace
} // namespace checker
