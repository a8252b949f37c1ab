// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
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
public:
    int Calls = 0;
    QString Summary;
    QString Body;
    QStringList Actions;
    uint ReplacesId = 0;
    QStringList Capabilities;
    uint NextId = 7; // what Notify answers

public slots:
    QStringList GetCapabilities() { return Capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(appName);
        Q_UNUSED(appIcon);
        Q_UNUSED(hints);
        Q_UNUSED(timeout);
        ++Calls;
        ReplacesId = replacesId;
        Summary = summary;
        Body = body;
        Actions = actions;
        return NextId;
    }
};

} // namespace rz::test
