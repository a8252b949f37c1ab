// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QDBusPendingCallWatcher;

namespace rz {

// A button of a notification: the key it reports and its caption.
struct NotificationAction
{
    QString Key;
    QString Label;
};

// Desktop notifications through org.freedesktop.Notifications on the session bus. Without a bus or a
// notification server nothing is shown and nothing else changes.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // Posts one notification, replacing the previous one of this app. The body's lines are escaped,
    // since servers may read the body as markup. The actions are offered only when the server
    // says it shows actions; the click on the notification itself is always offered.
    void Notify(const QString& summary, const QStringList& bodyLines,
                const QList<NotificationAction>& actions = {});
    // True once the server said it shows action buttons.
    bool ServerShowsActions() const { return m_ServerActions; }

signals:
    // The user clicked the notification or its "Show" action.
    void Activated();
    // The user chose one of the actions given to Notify (never "default").
    void ActionChosen(const QString& key);

private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnNotifyFinished(QDBusPendingCallWatcher* watcher);
    void OnCapabilities(QDBusPendingCallWatcher* watcher);

private:
    QDBusConnection m_Bus;
    bool m_Connected = false;
    uint m_LastId = 0;
    bool m_ServerActions = false;
};

} // namespace rz
