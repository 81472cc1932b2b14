#include "checker/socket_wait-platform.hpp"

#include <winsock2.h>

namespace checker::platform {

void clear_socket_set(fd_set& set) {
    FD_ZERO(&set);
}

int wait_for_sockets(int descriptor_count, fd_set& read, fd_set& write, fd_set& except,
                     long seconds, long microseconds) {
    timeval limit{};
    limit.tv_sec = seconds;
    limit.tv_usec = microseconds;
    // Winsock sizes the sets by their own counts; the first argument is only there for Berkeley
    // compatibility.
    const int result = ::select(descriptor_count, &read, &write, &except, &limit);
    if (result == SOCKET_ERROR) {
        // The caller reads the failure through last_error(), which is GetLastError: hand the
        // Winsock code over explicitly rather than rely on the two sharing their storage.
        SetLastError(static_cast<DWORD>(WSAGetLastError()));
        return -1;
    }
    return result;
}

} // namespace checker::platform
