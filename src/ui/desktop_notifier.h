#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

class QDBusPendingCallWatcher;

namespace rz {

// Desktop notifications through org.freedesktop.Notifications on the session bus. Without a bus or a
// notification server nothing is shown and nothing else changes.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // Posts one notification, replacing the previous one of this app. The body's lines are escaped,
    // since servers may read the body as markup.
    void Notify(const QString& summary, const QStringList& bodyLines);

signals:
    // The user clicked the notification or its "Show" action.
    void Activated();

private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnNotifyFinished(QDBusPendingCallWatcher* watcher);

private:
    QDBusConnection m_Bus;
    bool m_Connected = false;
    uint m_LastId = 0;
};

} // namespace rz
