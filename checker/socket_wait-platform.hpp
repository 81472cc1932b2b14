// The one system call of the download loop: waiting on the socket sets that libcurl fills. It is
// select on Linux and Winsock's select on Windows (which ignores the first argument).
#pragma once

#include <curl/curl.h> // fd_set, in the form libcurl's curl_multi_fdset takes it

namespace checker::platform {

void clear_socket_set(fd_set& set);

// Count of ready sockets, 0 when the time is up, -1 on failure (code in last_error()).
int wait_for_sockets(int descriptor_count, fd_set& read, fd_set& write, fd_set& except,
                     long seconds, long microseconds);

} // namespace checker::platform
