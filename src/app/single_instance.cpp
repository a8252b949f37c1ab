// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_instance.h"

#include "core/instance_lock.h"
#include "util/log.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>

namespace rz {

SingleInstance::SingleInstance(const QDBusConnection& bus, const std::string& dataFolder, QObject* parent)
    : QObject(parent), m_Bus(bus), m_BusName(QString::fromStdString(InstanceBusName(dataFolder))),
      m_ObjectPath(QString::fromStdString(InstanceObjectPath(InstanceBusName(dataFolder))))
{
}

bool SingleInstance::Register()
{
    if (!m_Bus.isConnected() || m_Bus.interface() == nullptr) {
        return false;
    }
    // The object first, so a call that follows the name's appearance finds it.
    const bool exported = m_Bus.registerObject(m_ObjectPath, this, QDBusConnection::ExportScriptableSlots);
    const auto reply =
        m_Bus.interface()->registerService(m_BusName, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    const bool registered =
        exported && reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!registered) {
        LogWarning("cannot take the application's name on the session bus; a second start cannot bring this "
                   "one forward");
    }
    return registered;
}

bool SingleInstance::AskRunningToShow(int timeoutMs)
{
    if (!m_Bus.isConnected()) {
        LogDebug("no session bus to reach the running agent");
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QDBusMessage call = QDBusMessage::createMethodCall(m_BusName, m_ObjectPath,
                                                           QStringLiteral("org.freedesktop.Application"),
                                                           QStringLiteral("Activate"));
        call << QVariantMap();
        const int left = static_cast<int>(qMax<qint64>(deadline.remainingTime(), 1));
        const QDBusMessage reply = m_Bus.call(call, QDBus::Block, left);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            return true;
        }
        // The holder may have taken the lock but not yet its name; anything else is final.
        const QString error = reply.errorName();
        LogDebug(QStringLiteral("asking the running agent to show itself: %1 %2")
                     .arg(error, reply.errorMessage())
                     .toStdString());
        const bool notYetThere = error == QDBusError::errorString(QDBusError::ServiceUnknown) ||
                                 error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
                                 error == QDBusError::errorString(QDBusError::UnknownObject);
        if (!notYetThere || deadline.remainingTime() < 100) {
            return false;
        }
        QThread::msleep(100);
    }
}

void SingleInstance::Activate(const QVariantMap& platformData)
{
    Q_UNUSED(platformData);
    emit ShowRequested();
}

} // namespace rz
