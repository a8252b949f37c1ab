// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/unix_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace rz {
namespace {

int g_SignalFds[2] = {-1, -1};

void OnSignal(int signal)
{
    const int saved = errno;
    const auto byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_SignalFds[0], &byte, 1);
    errno = saved;
}

} // namespace

UnixSignals::UnixSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_SignalFds) != 0) {
        return;
    }
    m_Notifier = new QSocketNotifier(g_SignalFds[1], QSocketNotifier::Read, this);
    connect(m_Notifier, &QSocketNotifier::activated, this, &UnixSignals::Dispatch);

    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) {
        ::sigaction(signal, &action, nullptr);
    }
}

UnixSignals::~UnixSignals()
{
    // A late refresh request must not end the process by the signal's default action.
    ::signal(SIGUSR1, SIG_IGN);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::signal(signal, SIG_DFL);
    }
    for (int& fd : g_SignalFds) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void UnixSignals::Dispatch()
{
    char byte = 0;
    while (::read(g_SignalFds[1], &byte, 1) == 1) {
        if (byte == SIGUSR1) {
            emit RefreshRequested();
        } else {
            emit QuitRequested();
        }
    }
}

} // namespace rz
