#include "socket_test_platform.hpp"

#include <stdexcept>
#include <winsock2.h>

namespace test::platform {

int add_closed_socket(fd_set& set) {
    const SOCKET socket_handle = socket(AF_INET, SOCK_STREAM, 0);
    if (socket_handle == INVALID_SOCKET) {
        throw std::runtime_error("socket failed");
    }
    closesocket(socket_handle);
    FD_SET(socket_handle, &set);
    // Winsock ignores the count; any value will do.
    return 1;
}

std::uint32_t closed_socket_code() {
    return WSAENOTSOCK;
}

std::uint32_t leave_interrupted_wait_code() {
    WSASetLastError(WSAEINTR);
    return WSAEINTR;
}

} // namespace test::platform
