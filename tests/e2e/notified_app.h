// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program against the emulator with a desktop notification server on a private session bus, so a
// test can press a notification's buttons. Time is the emulator's: each start takes the emulator's
// clock offset, so a test passes time by moving the emulator's clock and starting the program again,
// never by waiting.
#include "fake_notification_server.h"
#include "private_bus.h"
#include "qt_test_app.h"
#include "running_app.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace rz::test {

class NotifiedApp
{
public:
    // The emulator serving `fixture`, the home signed in to its account and the notification server
    // on its bus; skips the test where no dbus-daemon is installed (check IsSkipped()).
    void SetUp(const std::string& fixture, const QString& connectionName)
    {
        QtTestApp();
        emulator = std::make_unique<EmulatorProcess>(FixtureOptions(fixture));
        ASSERT_TRUE(emulator->Running()) << emulator->Error();
        home.PointAt(*emulator, true);
        RZ_START_PRIVATE_BUS(bus);
        server = bus.Connect(connectionName);
        notifications.Capabilities = {QStringLiteral("body"), QStringLiteral("actions")};
        ASSERT_TRUE(notifications.Serve(server));
    }

    // Starts the program at the emulator's time.
    void Launch()
    {
        app = home.StartAtEmulatorTime(*emulator, bus.Address());
        ASSERT_NE(app, nullptr);
    }

    // SIGTERM, and a clean exit within ten seconds.
    void Quit()
    {
        app->Signal(SIGTERM);
        ASSERT_EQ(app->WaitExit(10000), 0) << app->Stderr();
        app.reset();
    }

    // Stops the program, moves the emulator's clock `seconds` on and starts the program again: for
    // the program, that much time passed while it was not running.
    void RestartLater(long seconds)
    {
        ASSERT_NO_FATAL_FAILURE(Quit());
        ASSERT_TRUE(emulator->AdvanceClock(seconds));
        ASSERT_NO_FATAL_FAILURE(Launch());
    }

    // Waits until the program is idle, so that no cycle runs (a refresh during one only marks the next
    // one's download), then refreshes and waits until it is idle again; false when either wait failed.
    bool RefreshAndSettle()
    {
        return Settle(*emulator, home) && test::RefreshAndSettle(*app, *emulator, home, kWaitMs);
    }

    // Waits for the condition while serving this process's own bus objects; false when it never held.
    static bool Pump(int timeoutMs, const std::function<bool()>& condition)
    {
        return WaitFor(timeoutMs, [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return condition();
        });
    }

    // The Done button of the last notification; empty when it offers none.
    QString DoneKey() const
    {
        const QStringList keys = notifications.Actions.filter(QStringLiteral("done#"));
        return keys.isEmpty() ? QString() : keys.front();
    }

    // Waits for a notification offering Done and presses it; false when none came.
    bool PressDone()
    {
        if (!Pump(kWaitMs, [&] { return !DoneKey().isEmpty(); })) {
            return false;
        }
        FakeNotificationServer::Invoke(server, notifications.NextId, DoneKey());
        return true;
    }

    // Whether the emulator's account holds a ticked to-do.
    bool ToDoTicked() const
    {
        return emulator->Get("/_emulator/account").body.find("to-do:completed") != std::string::npos;
    }

    AppHome home;
    std::unique_ptr<EmulatorProcess> emulator;
    PrivateBus bus;
    QDBusConnection server{QString()};
    FakeNotificationServer notifications;
    std::unique_ptr<ChildProcess> app;
};

} // namespace rz::test
