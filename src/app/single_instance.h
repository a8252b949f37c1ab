// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <string>

namespace rz {

// How the one agent of a data folder and a second start find each other on the session bus. The
// folder's lock (TInstanceLock) decides who runs; the bus only carries the request to come forward.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    // The bus may be disconnected: then the agent cannot be reached and a second start cannot ask.
    SingleInstance(const QDBusConnection& bus, const std::string& dataFolder, QObject* parent = nullptr);

    // As the holder of the folder's lock: answers on the bus under the folder's name. False when
    // there is no bus or the name cannot be had.
    bool Register();
    // As a second start: asks the running agent to show itself, waiting up to the time given for it
    // to appear on the bus (it may have taken the lock a moment ago). False when it cannot be asked.
    bool AskRunningToShow(int timeoutMs = 1500);

public slots:
    // org.freedesktop.Application: another start asks this one to come forward.
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);

signals:
    void ShowRequested();

private:
    QDBusConnection m_Bus;
    QString m_BusName;
    QString m_ObjectPath;
};

} // namespace rz
