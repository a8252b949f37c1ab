// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "qt_test_app.h"
#include "test_support.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <string>

namespace rz::test {

// A session bus of the test's own, so nothing reaches the desktop's: dbus-daemon on a socket in a
// temporary folder. Ended, with the connections made through it, with the object.
class PrivateBus
{
public:
    ~PrivateBus()
    {
        for (const QString& name : m_Connections) {
            QDBusConnection::disconnectFromBus(name);
        }
        m_Daemon.kill();
        m_Daemon.waitForFinished();
    }
    // Empty once the daemon listens, which it tells by printing its address; otherwise why not.
    std::string Start()
    {
        QtTestApp();
        m_Daemon.start(QStringLiteral("/usr/bin/dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                        QString::fromStdString("--address=unix:path=" + m_Folder.File("bus"))});
        while (!m_Daemon.canReadLine() && m_Daemon.waitForReadyRead(10000)) {
        }
        if (!m_Daemon.canReadLine()) {
            return m_Daemon.errorString().toStdString() + ": " +
                   m_Daemon.readAllStandardError().toStdString();
        }
        m_Address = QString::fromUtf8(m_Daemon.readLine()).trimmed();
        return {};
    }
    std::string Address() const { return m_Address.toStdString(); }
    QDBusConnection Connect(const QString& name)
    {
        m_Connections.append(name);
        return QDBusConnection::connectToBus(m_Address, name);
    }

private:
    TempDir m_Folder;
    QProcess m_Daemon;
    QString m_Address;
    QStringList m_Connections;
};

} // namespace rz::test

// Skips the calling test where dbus-daemon is missing; fails it where the daemon does not come up.
#define RZ_START_PRIVATE_BUS(bus)                                                                            \
    do {                                                                                                     \
        if (!QFileInfo(QStringLiteral("/usr/bin/dbus-daemon")).isExecutable())                               \
            GTEST_SKIP() << "dbus-daemon is not installed";                                                  \
        ASSERT_EQ((bus).Start(), "");                                                                        \
    } while (false)
