// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_instance.h"

#include "core/instance_lock.h"
#include "util/log.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>
#include <utility>

namespace rz {
namespace {

constexpr const char* kInboxPathTail = "/Reminders";
constexpr const char* kInboxInterface = "example.tidewell.RedoZevuviva.Reminders";

} // namespace

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
    // The objects first, so a call that follows the name's appearance finds them.
    auto* inbox = new ReminderInbox(m_AddHandler, this);
    const bool exported = m_Bus.registerObject(m_ObjectPath, this, QDBusConnection::ExportScriptableSlots) &&
                          m_Bus.registerObject(m_ObjectPath + QLatin1String(kInboxPathTail), inbox,
                                               QDBusConnection::ExportScriptableSlots);
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
    return CallRunning(m_ObjectPath, QStringLiteral("org.freedesktop.Application"),
                       QStringLiteral("Activate"), {ActivationPlatformData()}, timeoutMs)
               .type() == QDBusMessage::ReplyMessage;
}

SingleInstance::AddAnswer SingleInstance::HandReminderToRunning(const QString& text, int timeoutMs)
{
    const QDBusMessage reply =
        CallRunning(m_ObjectPath + QLatin1String(kInboxPathTail), QLatin1String(kInboxInterface),
                    QStringLiteral("Add"), {text}, timeoutMs);
    AddAnswer answer;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
        return answer;
    }
    answer.Reached = true;
    answer.Queued = reply.arguments().at(0).toBool();
    answer.Message = reply.arguments().at(1).toString();
    return answer;
}

QDBusMessage SingleInstance::CallRunning(const QString& path, const QString& interface, const QString& method,
                                         const QVariantList& arguments, int timeoutMs)
{
    if (!m_Bus.isConnected()) {
        LogDebug("no session bus to reach the running agent");
        return {};
    }
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QDBusMessage call = QDBusMessage::createMethodCall(m_BusName, path, interface, method);
        call.setArguments(arguments);
        const int left = static_cast<int>(qMax<qint64>(deadline.remainingTime(), 1));
        const QDBusMessage reply = m_Bus.call(call, QDBus::Block, left);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            return reply;
        }
        // The holder may have taken the lock but not yet its name; anything else is final.
        const QString error = reply.errorName();
        LogDebug(QStringLiteral("calling the running agent: %1 %2")
                     .arg(error, reply.errorMessage())
                     .toStdString());
        const bool notYetThere = error == QDBusError::errorString(QDBusError::ServiceUnknown) ||
                                 error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
                                 error == QDBusError::errorString(QDBusError::UnknownObject);
        if (!notYetThere || deadline.remainingTime() < 100) {
            return reply;
        }
        QThread::msleep(100);
    }
}

QVariantMap SingleInstance::ActivationPlatformData()
{
    QVariantMap data;
    const std::pair<const char*, QString> entries[] = {
        {"XDG_ACTIVATION_TOKEN", QStringLiteral("activation-token")},
        {"DESKTOP_STARTUP_ID", QStringLiteral("desktop-startup-id")},
    };
    for (const auto& [variable, key] : entries) {
        if (const QString value = qEnvironmentVariable(variable); !value.isEmpty()) {
            data.insert(key, value);
        }
    }
    return data;
}

void SingleInstance::Activate(const QVariantMap& platformData)
{
    // The X11 startup id has no use here: an X11 window manager lets the raised window through.
    emit ShowRequested(platformData.value(QStringLiteral("activation-token")).toString());
}

bool ReminderInbox::Add(const QString& text, QString& message)
{
    if (!m_Handler || !calledFromDBus()) {
        message.clear();
        return false;
    }
    // The handler may wait for the page's first attempt: the bus's reply goes out when it answers.
    setDelayedReply(true);
    m_Handler(text, [bus = connection(), call = this->message()](const SingleInstance::AddAnswer& answer) {
        QDBusConnection(bus).send(call.createReply({answer.Queued, answer.Message}));
    });
    return false;
}

} // namespace rz
