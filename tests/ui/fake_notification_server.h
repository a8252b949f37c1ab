// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace rz::test {

// A notification server that records what it was asked to show.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
    // Do-not-disturb, as the servers with Inhibit/UnInhibit report it.
    Q_PROPERTY(bool Inhibited MEMBER Inhibited)
public:
    // Registers it as the bus's notification server.
    bool Serve(QDBusConnection& bus)
    {
        return bus.registerObject(kPath, this,
                                  QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
               bus.registerService(kService);
    }
    // The user chose the action `key` of the notification `id`.
    static void Invoke(QDBusConnection& bus, uint id, const QString& key)
    {
        QDBusMessage invoked = QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"));
        invoked << id << key;
        bus.send(invoked);
    }

    // Do-not-disturb turned on or off, told to the bus as the server does.
    void SetInhibited(QDBusConnection& bus, bool on)
    {
        Inhibited = on;
        QDBusMessage changed = QDBusMessage::createSignal(
            kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
        changed << kService << QVariantMap{{QStringLiteral("Inhibited"), on}} << QStringList();
        bus.send(changed);
    }

    inline static const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
    inline static const QString kService = QStringLiteral("org.freedesktop.Notifications");
    int Calls = 0;
    QString Summary;
    QString Body;
    QStringList Actions;
    uint ReplacesId = 0;
    QStringList Capabilities;
    uint NextId = 7; // what Notify answers
    QVariantMap Hints;
    QList<uint> Closed;
    bool Inhibited = false;

public slots:
    QStringList GetCapabilities() { return Capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(appName);
        Q_UNUSED(appIcon);
        Q_UNUSED(timeout);
        ++Calls;
        ReplacesId = replacesId;
        Summary = summary;
        Body = body;
        Actions = actions;
        Hints = hints;
        return NextId;
    }
    void CloseNotification(uint id) { Closed.append(id); }
};

} // namespace rz::test
