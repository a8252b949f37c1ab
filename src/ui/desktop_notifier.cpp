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
}

void DesktopNotifier::Notify(const QString& summary, const QStringList& bodyLines)
{
    if (!m_Connected) {
        return;
    }
    QStringList escaped;
    for (const QString& line : bodyLines) {
        escaped << line.toHtmlEscaped();
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("redozevuviva"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(1)));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("RedoZevuviva") << m_LastId << QStringLiteral("redozevuviva") << summary
         << escaped.join(QLatin1Char('\n'))
         << QStringList{QStringLiteral("default"), UiText("strNotificationOpen")} << hints << -1;
    // Asynchronous, so a slow or missing server never holds the timer.
    auto* watcher = new QDBusPendingCallWatcher(m_Bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::OnNotifyFinished);
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
    Q_UNUSED(actionKey);
    if (id != 0 && id == m_LastId) {
        emit Activated();
    }
}

} // namespace rz
