#include "socket_test_platform.hpp"

#include <cerrno>
#include <stdexcept>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test::platform {

int add_closed_socket(fd_set& set) {
    const int descriptor = socket(AF_INET, SOCK_STREAM, 0);
    if (descriptor == -1) {
        throw std::runtime_error("socket failed");
    }
    close(descriptor);
    FD_SET(descriptor, &set);
    return descriptor + 1;
}

std::uint32_t closed_socket_code() {
    return EBADF;
}

std::uint32_t leave_interrupted_wait_code() {
    errno = EINTR;
    return EINTR;
}

} // namespace test::platform
