#pragma once

#include "core/instance_lock.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <string>

namespace rz {

// One agent per data folder. The folder's lock decides who runs; the session bus, where there is
// one, is how a second start reaches the running agent to have it show itself. Without a bus the
// lock alone keeps the second start out.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    enum class Role {
        Primary,   // this process runs the agent
        Secondary, // another process runs it for the same data folder
    };

    // The bus may be disconnected; the lock still works.
    explicit SingleInstance(const QDBusConnection& bus, QObject* parent = nullptr);

    // Takes the data folder's lock and, as its holder, the folder's name on the bus. A folder whose
    // lock file cannot be made (one that cannot be written at all) is run without the lock.
    Role Claim(const std::string& dataFolder);
    // As a second start: asks the running agent to show itself, waiting up to the time given for it
    // to appear on the bus (it may have taken the lock a moment ago). False when it cannot be asked.
    bool AskRunningToShow(int timeoutMs = 1500);
    // The holder's process id as its lock file says, 0 when unknown.
    qint64 RunningPid() const;
    // True once this process answers on the bus.
    bool Registered() const { return m_Registered; }

public slots:
    // org.freedesktop.Application: another start asks this one to come forward.
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);

signals:
    void ShowRequested();

private:
    QDBusConnection m_Bus;
    TInstanceLock m_Lock;
    std::string m_DataFolder;
    QString m_BusName;
    QString m_ObjectPath;
    bool m_Registered = false;
};

} // namespace rz
