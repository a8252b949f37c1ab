// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop services of the idle benchmark, on the session bus (DBUS_SESSION_BUS_ADDRESS) until
// ended: a notification server (the tests' fake one), so the agent's notifications and do-not-disturb
// look-out run as on a desktop, and with --tray a status notifier watcher with a host, so Qt finds a
// tray and the agent keeps its main window hidden behind the icon. Exit status 1 when a name cannot
// be taken.
#include "fake_notification_server.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <cstdio>
#include <cstring>

namespace {

// The watcher a tray host registers: it only takes the items' registrations.
class TrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)

public:
    bool HostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }
    QStringList Items() const { return m_Items; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { m_Items.append(service); }
    void RegisterStatusNotifierHost(const QString& service) { Q_UNUSED(service); }

private:
    QStringList m_Items;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    rz::test::FakeNotificationServer server;
    server.Capabilities = {QStringLiteral("body"), QStringLiteral("actions")};
    if (!server.Serve(bus)) {
        std::fprintf(stderr, "notification_server: the session bus refused the notification name\n");
        return 1;
    }
    TrayWatcher watcher;
    if (argc > 1 && std::strcmp(argv[1], "--tray") == 0 &&
        !(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
          bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")))) {
        std::fprintf(stderr, "notification_server: the session bus refused the tray watcher's name\n");
        return 1;
    }
    std::printf("serving\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "notification_server.moc"
