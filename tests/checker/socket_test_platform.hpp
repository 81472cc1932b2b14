// What the checker's unit tests need from the system to make a wait on sockets fail for real, and
// the codes the system reports. Implemented in socket_test_platform-posix.cpp and
// socket_test_platform-win32.cpp; everything here goes to the system directly, not through the
// checker. On Windows, Winsock must be started (libcurl's global state does that).
#pragma once

#include <curl/curl.h> // fd_set, as the checker's wait takes it

#include <cstdint>

namespace test::platform {

// Opens a socket, closes it again and puts it into set; returns the descriptor count to wait with.
int add_closed_socket(fd_set& set);
// The code a wait fails with when a set names a socket that is gone.
std::uint32_t closed_socket_code();

// Leaves where the checker reads a failed wait's code the code of a wait that was interrupted, as
// the system's own wait would on failure; returns the code.
std::uint32_t leave_interrupted_wait_code();

} // namespace test::platform
