// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/desktop_notifier.h"

#include "ui/strings_table.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QVariantMap>
#include <utility>

namespace rz {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kInhibited = QStringLiteral("Inhibited");

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_Bus(std::move(bus))
{
    if (!m_Bus.isConnected()) {
        return;
    }
    m_Connected = m_Bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                SLOT(OnActionInvoked(uint, QString)));
    if (!m_Connected) {
        return;
    }
    // Asked once; until the answer arrives notifications carry only the click on themselves.
    auto* watcher =
        new QDBusPendingCallWatcher(m_Bus.asyncCall(QDBusMessage::createMethodCall(
                                        kService, kPath, kInterface, QStringLiteral("GetCapabilities"))),
                                    this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::OnCapabilities);
    m_Bus.connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                  SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)));
    // A server that starts after the agent, or starts again, has its own do-not-disturb: asked anew.
    auto* server = new QDBusServiceWatcher(kService, m_Bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(server, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty()) {
                    SetDoNotDisturb(false);
                } else {
                    AskDoNotDisturb();
                }
            });
    AskDoNotDisturb();
}

void DesktopNotifier::AskDoNotDisturb()
{
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("Get"));
    get << kInterface << kInhibited;
    auto* watcher = new QDBusPendingCallWatcher(m_Bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        // A server without the property answers with an error: no do-not-disturb to follow.
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (!reply.isError()) {
            SetDoNotDisturb(reply.value().variant().toBool());
        }
        call->deleteLater();
    });
}

void DesktopNotifier::OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                          const QStringList& invalidated)
{
    if (interface != kInterface) {
        return;
    }
    if (const auto found = changed.constFind(kInhibited); found != changed.constEnd()) {
        SetDoNotDisturb(found->toBool());
    } else if (invalidated.contains(kInhibited)) {
        AskDoNotDisturb();
    }
}

void DesktopNotifier::SetDoNotDisturb(bool on)
{
    if (on != m_DoNotDisturb) {
        m_DoNotDisturb = on;
        emit DoNotDisturbChanged(on);
    }
}

void DesktopNotifier::Withdraw()
{
    m_Waiting.reset();
    // An alert on its way has no id yet: it is taken back with the server's answer.
    if (m_NotifiesOnTheirWay > 0) {
        m_WithdrawOnAnswer = true;
        return;
    }
    if (!m_Connected || m_LastId == 0) {
        return;
    }
    QDBusMessage close =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
    close << std::exchange(m_LastId, 0u);
    m_Bus.asyncCall(close);
}

void DesktopNotifier::OnCapabilities(QDBusPendingCallWatcher* watcher)
{
    const QDBusPendingReply<QStringList> reply = *watcher;
    m_ServerActions = !reply.isError() && reply.value().contains(QStringLiteral("actions"));
    m_CapabilitiesKnown = true;
    watcher->deleteLater();
    if (m_Waiting) {
        SendAlert(*std::exchange(m_Waiting, std::nullopt));
    }
}

void DesktopNotifier::Notify(const QString& summary, const QStringList& bodyLines,
                             const QList<NotificationAction>& actions, bool ownSound)
{
    if (!m_Connected) {
        return;
    }
    if (!m_CapabilitiesKnown) {
        m_Waiting = Alert{summary, bodyLines, actions, ownSound}; // sent with the server's answer, on its way
        return;
    }
    SendAlert({summary, bodyLines, actions, ownSound});
}

void DesktopNotifier::SendAlert(const Alert& alert)
{
    // Asynchronous, so a slow or missing server never holds the timer.
    m_WithdrawOnAnswer = false;
    ++m_NotifiesOnTheirWay;
    auto* watcher = new QDBusPendingCallWatcher(
        m_Bus.asyncCall(NotifyCall(alert.Summary, alert.BodyLines, alert.Actions, m_LastId, alert.OwnSound)),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::OnNotifyFinished);
}

void DesktopNotifier::NotifyApart(const QString& summary, const QStringList& bodyLines)
{
    if (m_Connected) {
        m_Bus.asyncCall(NotifyCall(summary, bodyLines, {}, 0, false));
    }
}

QDBusMessage DesktopNotifier::NotifyCall(const QString& summary, const QStringList& bodyLines,
                                         const QList<NotificationAction>& actions, uint replacesId,
                                         bool ownSound) const
{
    QStringList escaped;
    for (const QString& line : bodyLines) {
        escaped << line.toHtmlEscaped();
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("redozevuviva"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(1)));
    if (ownSound) {
        hints.insert(QStringLiteral("suppress-sound"), true);
    }
    QStringList actionList{QStringLiteral("default"), UiText("strNotificationOpen")};
    if (m_ServerActions) {
        for (const NotificationAction& action : actions) {
            actionList << action.Key << action.Label;
        }
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("RedoZevuviva") << replacesId << QStringLiteral("redozevuviva") << summary
         << escaped.join(QLatin1Char('\n')) << actionList << hints << -1;
    return call;
}

void DesktopNotifier::OnNotifyFinished(QDBusPendingCallWatcher* watcher)
{
    const QDBusPendingReply<uint> reply = *watcher;
    if (!reply.isError()) {
        m_LastId = reply.value();
    }
    watcher->deleteLater();
    if (--m_NotifiesOnTheirWay == 0 && std::exchange(m_WithdrawOnAnswer, false)) {
        Withdraw();
    }
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& actionKey)
{
    if (id == 0 || id != m_LastId) {
        return;
    }
    if (actionKey == QLatin1String("default")) {
        emit Activated();
    } else {
        emit ActionChosen(actionKey);
    }
}

} // namespace rz
