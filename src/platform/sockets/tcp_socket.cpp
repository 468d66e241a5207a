#include "platform/sockets/tcp_socket.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

long long now_ms()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Waits until the socket is ready for the events or the deadline passes: 1 ready, 0 expired,
// -1 error.
int wait_for(int socket, short events, long long deadline)
{
    for (;;) {
        long long left = deadline - now_ms();
        if (left < 0)
            left = 0;
        pollfd entry{socket, events, 0};
        int result = poll(&entry, 1, static_cast<int>(left));
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 || (entry.revents & POLLNVAL))
            return -1;
        return result > 0 ? 1 : 0;
    }
}

int set_blocking(int socket, bool blocking)
{
    int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0)
        return -1;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(socket, F_SETFL, flags);
}

int connect_address(const addrinfo* address, int timeout_ms)
{
    int s = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
    if (s < 0)
        return -1;
#ifdef SO_NOSIGPIPE
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#endif
    if (set_blocking(s, false) != 0) {
        close(s);
        return -1;
    }
    int result = connect(s, address->ai_addr, address->ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
        if (wait_for(s, POLLOUT, now_ms() + timeout_ms) == 1) {
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                result = 0;
        }
    }
    if (result != 0 || set_blocking(s, true) != 0) {
        close(s);
        return -1;
    }
    return s;
}

// What has arrived, at least one byte and at most size, waiting until the deadline for the
// first: the count, or -1 on an error, a closed connection or the deadline.
long recv_some_until(int socket, void* data, size_t size, long long deadline)
{
    for (;;) {
        ssize_t got = recv(socket, data, size, MSG_DONTWAIT);
        if (got > 0)
            return static_cast<long>(got);
        if (got == 0)
            return -1;
        if (errno == EINTR)
            continue;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait_for(socket, POLLIN, deadline) == 1)
            continue;
        return -1;
    }
}

}  // namespace

int tcp_connect(const char* host, int port, int timeout_ms)
{
    if (port < 0 || port > 65535)
        return -1;
    char service[8];
    std::snprintf(service, sizeof service, "%d", port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, service, &hints, &list) != 0 || list == nullptr)
        return -1;
    int s = -1;
    for (const addrinfo* address = list; address != nullptr && s < 0; address = address->ai_next)
        s = connect_address(address, timeout_ms);
    freeaddrinfo(list);
    return s;
}

int tcp_send_all(int socket, const void* data, size_t size, int timeout_ms)
{
    const char* bytes = static_cast<const char*>(data);
    long long deadline = now_ms() + timeout_ms;
    while (size > 0) {
        ssize_t sent = send(socket, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (wait_for(socket, POLLOUT, deadline) != 1)
                return -1;
        } else {
            return -1;
        }
    }
    return 0;
}

int tcp_recv_all(int socket, void* data, size_t size, int timeout_ms)
{
    char* bytes = static_cast<char*>(data);
    long long deadline = now_ms() + timeout_ms;
    while (size > 0) {
        long got = recv_some_until(socket, bytes, size, deadline);
        if (got < 0)
            return -1;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return 0;
}

long tcp_recv_some(int socket, void* data, size_t size, int timeout_ms)
{
    return recv_some_until(socket, data, size, now_ms() + timeout_ms);
}

int tcp_readable(int socket)
{
    pollfd entry{socket, POLLIN, 0};
    int result;
    do {
        result = poll(&entry, 1, 0);
    } while (result < 0 && errno == EINTR);
    if (result < 0 || (entry.revents & POLLNVAL))
        return -1;
    return (entry.revents & (POLLIN | POLLHUP | POLLERR)) ? 1 : 0;
}

void tcp_close(int socket)
{
    if (socket >= 0)
        close(socket);
}
