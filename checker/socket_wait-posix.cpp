#include "checker/socket_wait-platform.hpp"

#include <sys/select.h>

namespace checker::platform {

void clear_socket_set(fd_set& set) {
    FD_ZERO(&set);
}

int wait_for_sockets(int descriptor_count, fd_set& read, fd_set& write, fd_set& except,
                     long seconds, long microseconds) {
    timeval limit{};
    limit.tv_sec = seconds;
    limit.tv_usec = microseconds;
    return ::select(descriptor_count, &read, &write, &except, &limit);
}

} // namespace checker::platform
