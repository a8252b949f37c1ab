// SPDX-License-Identifier: GPL-3.0-or-later
// A to-do that came due while the program was stopped rings late at the next start, and Done from
// its desktop notification ticks it in OneNote, once. Driven from outside: a notification server on a
// private session bus, the emulator, the files the program keeps.
#include "fake_notification_server.h"
#include "private_bus.h"
#include "qt_test_app.h"
#include "running_app.h"
#include "util/clock.h"
#include "util/files.h"
#include "util/json.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <csignal>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

using test::kWaitMs;

// Waits while serving this process's own bus objects.
bool Pump(int timeoutMs, const std::function<bool()>& condition)
{
    return test::WaitFor(timeoutMs, [&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return condition();
    });
}

std::string Fixture()
{
    return R"({
 "user": {"id": "5d0c2a9e71b34f86", "userPrincipalName": "kim@example.com", "displayName": "Kim"},
 "tokens": {"accessTokens": ["EwB.kim+access/1=="], "refreshTokens": ["M.R3_BAY.kim+refresh/1"],
            "expiresIn": 3600},
 "notebooks": [{"displayName": "Home", "sections": [{"displayName": "Errands", "id": "section-errands",
   "pages": [{"id": "page-calls", "title": "!Calls", "paragraphs": [
     {"text": "Ring Eve !{{seconds:now+20s}}", "tags": ["to-do"]}]}]}]}]
})";
}

TEST(LateDoneEndToEndTest, AToDoThatRangLateIsTickedOnceFromItsNotification)
{
    test::QtTestApp();
    test::AppHome home;
    test::EmulatorProcess emulator(test::FixtureOptions(Fixture()));
    ASSERT_TRUE(emulator.Running()) << emulator.Error();
    home.PointAt(emulator, true);

    test::PrivateBus bus;
    RZ_START_PRIVATE_BUS(bus);
    const std::string address = bus.Address();
    QDBusConnection server = bus.Connect(QStringLiteral("rz-e2e-late"));
    test::FakeNotificationServer notifications;
    notifications.Capabilities = {QStringLiteral("body"), QStringLiteral("actions")};
    ASSERT_TRUE(notifications.Serve(server));

    // Mirrored, then the program stops before the to-do is due.
    auto app = home.Start(address);
    ASSERT_TRUE(Pump(kWaitMs, [&] { return test::HasReminder(home.Reminders(), "Ring Eve"); }))
        << test::Names(home.Reminders()) << app->Stderr();
    const Date due = *test::FindReminder(home.Reminders(), "Ring Eve")->time;
    app->Signal(SIGTERM);
    ASSERT_EQ(app->WaitExit(10000), 0) << app->Stderr();
    // Past the due check's ten seconds either side, so the next start finds it missed.
    ASSERT_TRUE(test::WaitFor(60000, [&] { return SystemSecondsNow() > due.seconds + 15; }));

    // The next start rings it late; its notification names it with the marker and offers Done.
    app = home.Start(address);
    const auto doneKey = [&] {
        const QStringList keys = notifications.Actions.filter(QStringLiteral("done#"));
        return keys.isEmpty() ? QString() : keys.front();
    };
    ASSERT_TRUE(Pump(kWaitMs, [&] { return !doneKey().isEmpty(); }))
        << notifications.Actions.join(QLatin1Char(' ')).toStdString() << app->Stderr();
    EXPECT_TRUE(notifications.Body.startsWith(QStringLiteral("(late) Ring Eve")))
        << notifications.Body.toStdString();
    test::FakeNotificationServer::Invoke(server, notifications.NextId, doneKey());
    const auto ticked = [&] {
        return emulator.Get("/_emulator/account").body.find("to-do:completed") != std::string::npos;
    };
    ASSERT_TRUE(Pump(kWaitMs, ticked)) << app->Stderr();
    EXPECT_FALSE(test::HasReminder(home.Pending(), "Ring Eve"));
    // A refresh later the update has still gone out once.
    ASSERT_TRUE(test::RefreshAndSettle(*app, emulator, home, kWaitMs)) << app->Stderr();
    EXPECT_EQ(Json::parse(emulator.Get("/_emulator/patches").body)["patches"].size(), 1u);
    app->Signal(SIGTERM);
    EXPECT_EQ(app->WaitExit(10000), 0) << app->Stderr();
}

} // namespace
} // namespace rz
