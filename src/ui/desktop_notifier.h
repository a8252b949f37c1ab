// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

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
    // `ownSound`: the agent plays its alert sound itself, so the server is asked to stay silent.
    void Notify(const QString& summary, const QStringList& bodyLines,
                const QList<NotificationAction>& actions = {}, bool ownSound = false);
    // Takes the alert's notification back, once what it named was acted on elsewhere.
    void Withdraw();
    // Posts a notification of its own beside the alert's, which it never replaces: a message
    // without actions.
    void NotifyApart(const QString& summary, const QStringList& bodyLines);
    // True once the server said it shows action buttons.
    bool ServerShowsActions() const { return m_ServerActions; }
    // True while the server reports do-not-disturb: its "Inhibited" property, which the
    // notification servers that offer Inhibit/UnInhibit keep (KDE Plasma's, for one), asked again
    // whenever the server starts or starts anew; false while no server runs. Servers without it
    // report nothing here, and the tray's pause is the way to quiet alarms there.
    bool DoNotDisturb() const { return m_DoNotDisturb; }

signals:
    // The user clicked the notification or its "Show" action.
    void Activated();
    // The user chose one of the actions given to Notify (never "default").
    void ActionChosen(const QString& key);
    void DoNotDisturbChanged(bool on);

private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnNotifyFinished(QDBusPendingCallWatcher* watcher);
    void OnCapabilities(QDBusPendingCallWatcher* watcher);
    void OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    QDBusMessage NotifyCall(const QString& summary, const QStringList& bodyLines,
                            const QList<NotificationAction>& actions, uint replacesId, bool ownSound) const;
    void AskDoNotDisturb();
    void SetDoNotDisturb(bool on);
    bool m_DoNotDisturb = false;
    int m_NotifiesOnTheirWay = 0;
    bool m_WithdrawOnAnswer = false;
    QDBusConnection m_Bus;
    bool m_Connected = false;
    uint m_LastId = 0;
    bool m_ServerActions = false;
    // Until the server said whether it shows actions, the newest alert waits (an alert raised at
    // start-up, a late one above all, would otherwise never offer its actions).
    struct Alert
    {
        QString Summary;
        QStringList BodyLines;
        QList<NotificationAction> Actions;
        bool OwnSound = false;
    };
    void SendAlert(const Alert& alert);
    bool m_CapabilitiesKnown = false;
    std::optional<Alert> m_Waiting;
};

} // namespace rz
