// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "private_bus.h"
#include "test_support.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <string>
#include <unistd.h>

namespace rz::test {

inline constexpr const char* kKeyringDaemon = "/usr/bin/gnome-keyring-daemon";

// A real Secret Service, gnome-keyring-daemon, on a private bus, in a home of its own. Ended with
// the object. Pause() makes it a keyring that never answers until Resume().
class KeyringDaemon
{
public:
    ~KeyringDaemon()
    {
        Resume();
        m_Daemon.kill();
        m_Daemon.waitForFinished();
    }
    static bool Installed() { return QFileInfo(QString::fromLatin1(kKeyringDaemon)).isExecutable(); }

    // Empty once the daemon owns the Secret Service's name; otherwise why not. `unlocked` makes its
    // login keyring with a password; without, the keyring has no default collection, so the first
    // write asks the user for one, and with no one to answer the prompt the write fails.
    std::string Start(PrivateBus& bus, bool unlocked = true)
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("HOME"), QString::fromStdString(m_Home.Path()));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(m_Home.File("data")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(m_Home.Path()));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(bus.Address()));
        m_Daemon.setProcessEnvironment(environment);
        // Its own session: the daemon signals its process group when it ends.
        m_Daemon.setChildProcessModifier([] { ::setsid(); });
        QStringList arguments{QStringLiteral("--foreground"), QStringLiteral("--components=secrets")};
        if (unlocked) {
            arguments << QStringLiteral("--unlock");
        }
        m_Daemon.start(QString::fromLatin1(kKeyringDaemon), arguments);
        if (!m_Daemon.waitForStarted()) {
            return m_Daemon.errorString().toStdString();
        }
        // The password ends with the input; there is no event loop here to write it out later.
        if (unlocked) {
            m_Daemon.write("test-password");
            m_Daemon.waitForBytesWritten();
        }
        m_Daemon.closeWriteChannel();
        QDBusConnection probe = bus.Connect(QStringLiteral("keyring-probe"));
        const QDeadlineTimer deadline(10000);
        while (!probe.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"))) {
            if (deadline.hasExpired()) {
                return "the keyring did not come up: " + m_Daemon.readAllStandardError().toStdString();
            }
            QThread::msleep(50);
        }
        return {};
    }
    void Pause()
    {
        m_Paused = true;
        ::kill(static_cast<pid_t>(m_Daemon.processId()), SIGSTOP);
    }
    void Resume()
    {
        if (m_Paused) {
            ::kill(static_cast<pid_t>(m_Daemon.processId()), SIGCONT);
            m_Paused = false;
        }
    }

private:
    TempDir m_Home;
    QProcess m_Daemon;
    bool m_Paused = false;
};

} // namespace rz::test
