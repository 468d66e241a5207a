// Blocking TCP client sockets over POSIX, with every wait bounded by a time-out.
//
// A send never raises SIGPIPE: writing to a peer that has gone away is an ordinary failure.
// Sends and receives move every byte asked for, however the stream splits them; only an
// error, a closed connection or an expired wait ends them early.
#pragma once

#include <cstddef>

// Connects to the first address of the host that accepts, waiting at most timeout_ms for
// each address: a socket, or -1.
int tcp_connect(const char* host, int port, int timeout_ms);

// Sends all bytes within timeout_ms: 0, or -1 on an error, a closed peer or the time-out.
int tcp_send_all(int socket, const void* data, size_t size, int timeout_ms);

// Receives exactly size bytes within timeout_ms: 0, or -1 on an error, a closed connection
// before the last byte, or the time-out.
int tcp_recv_all(int socket, void* data, size_t size, int timeout_ms);

// Receives what has arrived, at least one byte and at most size (more than 0), waiting at
// most timeout_ms for the first: the count, or -1 on an error, a closed connection or the
// time-out.
long tcp_recv_some(int socket, void* data, size_t size, int timeout_ms);

// Without waiting: 1 when a receive would not block (data, a closed connection or an error
// to report), 0 when nothing is pending, -1 when the socket cannot be polled.
int tcp_readable(int socket);

void tcp_close(int socket);
