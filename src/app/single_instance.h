// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
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
    // to appear on the bus (it may have taken the lock a moment ago). Hands over the activation token
    // the launcher gave this start (XDG_ACTIVATION_TOKEN, DESKTOP_STARTUP_ID), without which a
    // Wayland compositor keeps the agent's window behind. False when it cannot be asked.
    bool AskRunningToShow(int timeoutMs = 1500);
    // The platform data of Activate for this start: "activation-token" and "desktop-startup-id" as
    // the launcher set them; empty entries are left out.
    static QVariantMap ActivationPlatformData();

    // The agent's answer to a reminder handed over: queued or refused, and the text that says which.
    struct AddAnswer
    {
        bool Reached = false; // false: no agent answered within the time
        bool Queued = false;
        QString Message;
    };
    // As the agent: what takes a reminder text another start hands over (set before Register). It
    // gives its answer to `reply`, at once or later from the event loop (exactly once).
    using AddReply = std::function<void(const AddAnswer& answer)>;
    using AddHandler = std::function<void(const QString& text, AddReply reply)>;
    void SetAddHandler(AddHandler handler) { m_AddHandler = std::move(handler); }
    // As a second start: hands a reminder's title to the running agent, waiting up to the time given
    // for it to appear on the bus.
    AddAnswer HandReminderToRunning(const QString& text, int timeoutMs = 1500);

public slots:
    // org.freedesktop.Application: another start asks this one to come forward.
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);

signals:
    // With the activation token the other start was given; empty when it had none.
    void ShowRequested(const QString& activationToken);

private:
    // Calls a method of the running agent, retrying while it is not on the bus yet.
    QDBusMessage CallRunning(const QString& path, const QString& interface, const QString& method,
                             const QVariantList& arguments, int timeoutMs);

    QDBusConnection m_Bus;
    AddHandler m_AddHandler;
    QString m_BusName;
    QString m_ObjectPath;
};

} // namespace rz

namespace rz {

// The agent's own bus interface beside org.freedesktop.Application: new reminders from a terminal.
class ReminderInbox : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.tidewell.RedoZevuviva.Reminders")
public:
    explicit ReminderInbox(SingleInstance::AddHandler& handler, QObject* parent)
        : QObject(parent), m_Handler(handler)
    {
    }

public slots:
    // Queues a page titled `text` in the section chosen for new reminders. True when queued;
    // `message` says what was queued, or why not, in the agent's language. The answer may come after
    // the call returned: the caller's reply waits for the handler's.
    Q_SCRIPTABLE bool Add(const QString& text, QString& message);

private:
    SingleInstance::AddHandler& m_Handler;
};

} // namespace rz
