// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/desktop_notifier.h"

#include "ui/strings_table.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <utility>

namespace rz {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

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
                             const QList<NotificationAction>& actions)
{
    if (!m_Connected) {
        return;
    }
    if (!m_CapabilitiesKnown) {
        m_Waiting = Alert{summary, bodyLines, actions}; // sent with the server's answer, on its way
        return;
    }
    SendAlert({summary, bodyLines, actions});
}

void DesktopNotifier::SendAlert(const Alert& alert)
{
    // Asynchronous, so a slow or missing server never holds the timer.
    auto* watcher = new QDBusPendingCallWatcher(
        m_Bus.asyncCall(NotifyCall(alert.Summary, alert.BodyLines, alert.Actions, m_LastId)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::OnNotifyFinished);
}

void DesktopNotifier::NotifyApart(const QString& summary, const QStringList& bodyLines)
{
    if (m_Connected) {
        m_Bus.asyncCall(NotifyCall(summary, bodyLines, {}, 0));
    }
}

QDBusMessage DesktopNotifier::NotifyCall(const QString& summary, const QStringList& bodyLines,
                                         const QList<NotificationAction>& actions, uint replacesId) const
{
    QStringList escaped;
    for (const QString& line : bodyLines) {
        escaped << line.toHtmlEscaped();
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("redozevuviva"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(1)));
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
