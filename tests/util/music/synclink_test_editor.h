// A stand-in for the sync-tracker editor, written from its protocol: it listens on a free
// loopback port, answers one client's greeting in the background (so that the client's
// blocking connect can run on the test's thread), and is then driven from the test: it sends
// commands and reads what the client sent. Every wait is bounded.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

class TestEditor {
public:
    static constexpr int WAIT_MS = 3000;

    TestEditor()
    {
        listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener, 4);
        socklen_t length = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        listen_port = ntohs(address.sin_port);
    }

    ~TestEditor()
    {
        if (greeter.joinable())
            greeter.join();
        drop();
        close(listener);
    }

    TestEditor(const TestEditor&) = delete;
    TestEditor& operator=(const TestEditor&) = delete;

    int port() const { return listen_port; }

    // Accepts the next client in the background and answers its greeting with the reply,
    // written in pieces of at most piece bytes; with hang_up the editor closes right after.
    void expect_client(const std::string& reply = "hello, demo!", size_t piece = 0,
                       bool hang_up = false)
    {
        drop();
        greeting.clear();
        greeter = std::thread([this, reply, piece, hang_up] {
            pollfd entry{listener, POLLIN, 0};
            if (poll(&entry, 1, WAIT_MS) != 1)
                return;
            int s = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (s < 0)
                return;
            int on = 1;
            setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            greeting = read_from(s, 19);
            if (piece == 0)
                write_to(s, reply);
            for (size_t at = 0; piece != 0 && at < reply.size(); at += piece) {
                write_to(s, reply.substr(at, piece));
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            if (hang_up)
                close(s);
            else
                connection = s;
        });
    }

    // Waits for the background accept; what the client greeted with.
    std::string accepted()
    {
        if (greeter.joinable())
            greeter.join();
        return greeting;
    }

    bool connected() const { return connection >= 0; }

    void send(const std::string& bytes) { write_to(connection, bytes); }

    // One write a byte, a pause between them, so the client sees every field in pieces.
    void send_byte_by_byte(const std::string& bytes)
    {
        for (char byte : bytes) {
            write_to(connection, std::string(1, byte));
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    }

    // Exactly count bytes from the client, or fewer when they do not come in time.
    std::string receive(size_t count) { return read_from(connection, count); }

    // The editor goes away: its connection is closed.
    void drop()
    {
        if (connection >= 0)
            close(connection);
        connection = -1;
    }

    // Commands, as the editor sends them.
    static std::string key_update(uint32_t curve, int32_t row, float value, unsigned char shape)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return std::string(1, '\0') + be32(curve) + be32(uint32_t(row)) + be32(bits) +
               std::string(1, char(shape));
    }
    static std::string key_remove(uint32_t curve, int32_t row)
    {
        return std::string(1, '\1') + be32(curve) + be32(uint32_t(row));
    }
    static std::string row_change(int32_t row) { return "\3" + be32(uint32_t(row)); }
    static std::string pause_change(unsigned char flag) { return "\4" + std::string(1, char(flag)); }
    static std::string save_curves() { return "\5"; }

    // What the client sends.
    static std::string curve_request(const std::string& name)
    {
        return "\2" + be32(uint32_t(name.size())) + name;
    }

    static std::string be32(uint32_t value)
    {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = char(value >> (24 - 8 * i));
        return bytes;
    }

private:
    static void write_to(int s, const std::string& bytes)
    {
        size_t at = 0;
        while (s >= 0 && at < bytes.size()) {
            pollfd entry{s, POLLOUT, 0};
            if (poll(&entry, 1, WAIT_MS) != 1)
                return;
            ssize_t sent = ::send(s, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (sent <= 0)
                return;
            at += size_t(sent);
        }
    }

    static std::string read_from(int s, size_t count)
    {
        std::string bytes;
        char buffer[256];
        while (s >= 0 && bytes.size() < count) {
            pollfd entry{s, POLLIN, 0};
            if (poll(&entry, 1, WAIT_MS) != 1)
                break;
            size_t want = count - bytes.size() < sizeof buffer ? count - bytes.size() : sizeof buffer;
            ssize_t got = recv(s, buffer, want, 0);
            if (got <= 0)
                break;
            bytes.append(buffer, size_t(got));
        }
        return bytes;
    }

    int listener = -1;
    int listen_port = 0;
    int connection = -1;
    std::string greeting;
    std::thread greeter;
};
