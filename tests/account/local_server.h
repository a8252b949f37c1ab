// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <httplib.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace rz::test {

// A cpp-httplib server on an ephemeral loopback port, for answers the emulator has no route for.
// Register handlers on Server() before the first request.
class LocalServer
{
public:
    LocalServer() { m_Port = m_Server.bind_to_any_port("127.0.0.1"); }
    ~LocalServer()
    {
        if (m_Thread.joinable()) {
            m_Server.stop();
            m_Thread.join();
        }
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    httplib::Server& Server() { return m_Server; }

    // Starts answering; returns once the accept loop runs, so that stop() can end it.
    void Start()
    {
        m_Thread = std::thread([this] { m_Server.listen_after_bind(); });
        while (!m_Server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    int Port() const { return m_Port; }
    std::string Root() const { return "http://127.0.0.1:" + std::to_string(m_Port); }

private:
    httplib::Server m_Server;
    std::thread m_Thread;
    int m_Port = -1;
};

// A loopback port that nothing listens on: bound once to learn a free number, then closed.
inline int ClosedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 1; // port 1 is closed on any test machine if the bind fails
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

} // namespace rz::test
