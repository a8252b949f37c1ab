// SPDX-License-Identifier: GPL-3.0-or-later
#include "private_bus.h"

#include "qt_test_app.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace rz::test {

PrivateBus::~PrivateBus()
{
    for (const QString& name : m_Connections)
        QDBusConnection::disconnectFromBus(name);
    if (m_Daemon.state() != QProcess::NotRunning) {
        m_Daemon.terminate();
        if (!m_Daemon.waitForFinished(5000)) {
            m_Daemon.kill();
            m_Daemon.waitForFinished();
        }
    }
}

bool PrivateBus::Installed()
{
    return QFileInfo(QString::fromUtf8(kDaemon)).isExecutable();
}

bool PrivateBus::Start()
{
    QtTestApp();
    const QString folder = QString::fromStdString(m_Folder.Path());
    const std::string socket = m_Folder.File("bus");
    // The desktop's own bus and display stay out of reach; the daemon's home is the test's folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromUtf8(name));
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        environment.insert(QString::fromUtf8(name), folder);
    m_Daemon.setProcessEnvironment(environment);
    m_Daemon.start(QString::fromUtf8(kDaemon),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                    QStringLiteral("--address=unix:path=") + QString::fromStdString(socket),
                    QStringLiteral("--print-address=1")});
    if (!m_Daemon.waitForStarted(10000)) {
        m_Error = "dbus-daemon did not start: " + m_Daemon.errorString().toStdString();
        return false;
    }
    // The daemon prints its address once it listens.
    const QDeadlineTimer deadline(10000);
    while (!m_Daemon.canReadLine() && !deadline.hasExpired()) {
        if (!m_Daemon.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
    }
    if (!m_Daemon.canReadLine()) {
        m_Error = "dbus-daemon printed no address within ten seconds";
        return false;
    }
    m_Address = "unix:path=" + socket;
    return true;
}

QDBusConnection PrivateBus::Connect(const QString& name)
{
    if (!m_Connections.contains(name))
        m_Connections.append(name);
    return QDBusConnection::connectToBus(QString::fromStdString(m_Address), name);
}

std::string PrivateBus::Error()
{
    return m_Error + "\n" + m_Daemon.readAllStandardError().toStdString();
}

} // namespace rz::test
