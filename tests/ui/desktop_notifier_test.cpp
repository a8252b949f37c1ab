// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_notification_server.h"
#include "private_bus.h"
#include "qt_test_app.h"
#include "ui/desktop_notifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QVariantMap>
#include <functional>
#include <gtest/gtest.h>

namespace rz {
namespace {

using test::FakeNotificationServer;

bool WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// Each test gets a private session bus of its own.
class DesktopNotifierBusTest : public testing::Test
{
protected:
    void SetUp() override { RZ_START_PRIVATE_BUS(bus); }
    QDBusConnection Connect(const QString& name) { return bus.Connect(name); }

    test::PrivateBus bus;
};

TEST_F(DesktopNotifierBusTest, PostsEscapedLinesAndReportsAClickOnItsOwnNotification)
{
    QDBusConnection serverBus = Connect(QStringLiteral("server"));
    ASSERT_TRUE(serverBus.isConnected());
    FakeNotificationServer server;
    ASSERT_TRUE(server.Serve(serverBus));

    DesktopNotifier notifier(Connect(QStringLiteral("client")));
    QSignalSpy activated(&notifier, &DesktopNotifier::Activated);
    notifier.Notify(QStringLiteral("2 reminders due"),
                    {QStringLiteral("Dentist <10:30>"), QStringLiteral("A & B")});
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 1; }));
    EXPECT_EQ(server.Summary, QStringLiteral("2 reminders due"));
    EXPECT_EQ(server.Body, QStringLiteral("Dentist &lt;10:30&gt;\nA &amp; B"));
    ASSERT_GE(server.Actions.size(), 2);
    EXPECT_EQ(server.Actions.at(0), QStringLiteral("default"));
    EXPECT_EQ(server.ReplacesId, 0u);

    // Another app's notification is not ours.
    FakeNotificationServer::Invoke(serverBus, 8u, QStringLiteral("default"));
    FakeNotificationServer::Invoke(serverBus, 7u, QStringLiteral("default"));
    ASSERT_TRUE(WaitFor([&] { return activated.count() >= 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(activated.count(), 1);

    // The next alert replaces the previous notification.
    notifier.Notify(QStringLiteral("Reminder due"), {QStringLiteral("C")});
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 2; }));
    EXPECT_EQ(server.ReplacesId, 7u);
}

TEST_F(DesktopNotifierBusTest, ActionsGoOnlyToAServerThatShowsThemAndReportTheirKey)
{
    QDBusConnection serverBus = Connect(QStringLiteral("server"));
    FakeNotificationServer server;
    ASSERT_TRUE(server.Serve(serverBus));
    const QList<NotificationAction> actions{{QStringLiteral("snooze15"), QStringLiteral("Snooze 15 min")}};

    DesktopNotifier plain(Connect(QStringLiteral("client")));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    plain.Notify(QStringLiteral("Reminder due"), {QStringLiteral("A")}, actions);
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 1; }));
    EXPECT_EQ(server.Actions.size(), 2);
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));

    server.Capabilities = {QStringLiteral("body"), QStringLiteral("actions")};
    DesktopNotifier withActions(Connect(QStringLiteral("client")));
    ASSERT_TRUE(WaitFor([&] { return withActions.ServerShowsActions(); }));
    QSignalSpy chosen(&withActions, &DesktopNotifier::ActionChosen);
    withActions.Notify(QStringLiteral("Reminder due"), {QStringLiteral("A")}, actions);
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 2; }));
    EXPECT_EQ(server.Actions.mid(2),
              QStringList({QStringLiteral("snooze15"), QStringLiteral("Snooze 15 min")}));
    FakeNotificationServer::Invoke(serverBus, 7u, QStringLiteral("snooze15"));
    ASSERT_TRUE(WaitFor([&] { return chosen.count() == 1; }));
    EXPECT_EQ(chosen.at(0).at(0).toString(), QStringLiteral("snooze15"));
}

TEST_F(DesktopNotifierBusTest, AnAlertRaisedAtStartWaitsForTheServersAnswerAndKeepsItsActions)
{
    QDBusConnection serverBus = Connect(QStringLiteral("server"));
    FakeNotificationServer server;
    server.Capabilities = {QStringLiteral("body"), QStringLiteral("actions")};
    ASSERT_TRUE(server.Serve(serverBus));

    // Raised before the capabilities answer came back, as a late alert at start-up is.
    DesktopNotifier notifier(Connect(QStringLiteral("client")));
    notifier.Notify(QStringLiteral("Reminder due"), {QStringLiteral("A")},
                    {{QStringLiteral("done#1"), QStringLiteral("Done")}});
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 1; }));
    EXPECT_EQ(server.Actions.mid(2), QStringList({QStringLiteral("done#1"), QStringLiteral("Done")}));

    // A message apart never replaces the alert's bubble, nor is it replaced by the next alert.
    server.NextId = 9;
    notifier.NotifyApart(QStringLiteral("Not changed in OneNote"), {QStringLiteral("B")});
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 2; }));
    EXPECT_EQ(server.ReplacesId, 0u);
    notifier.Notify(QStringLiteral("Reminder due"), {QStringLiteral("C")});
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 3; }));
    EXPECT_EQ(server.ReplacesId, 7u);
}

TEST_F(DesktopNotifierBusTest, FollowsDoNotDisturbSilencesTheServerForItsOwnSoundAndWithdraws)
{
    QDBusConnection serverBus = Connect(QStringLiteral("server"));
    FakeNotificationServer server;
    server.Inhibited = true;
    ASSERT_TRUE(server.Serve(serverBus));

    DesktopNotifier notifier(Connect(QStringLiteral("client")));
    QSignalSpy changed(&notifier, &DesktopNotifier::DoNotDisturbChanged);
    ASSERT_TRUE(WaitFor([&] { return notifier.DoNotDisturb(); }));
    server.SetInhibited(serverBus, false);
    ASSERT_TRUE(WaitFor([&] { return !notifier.DoNotDisturb(); }));
    EXPECT_EQ(changed.count(), 2);

    notifier.Notify(QStringLiteral("Reminder due"), {QStringLiteral("A")}, {}, true);
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 1; }));
    EXPECT_EQ(server.Hints.value(QStringLiteral("suppress-sound")), QVariant(true));
    notifier.Notify(QStringLiteral("Reminder due"), {QStringLiteral("B")});
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 2; }));
    EXPECT_FALSE(server.Hints.contains(QStringLiteral("suppress-sound")));

    // Taken back once; the next alert is a new notification.
    notifier.Withdraw();
    notifier.Withdraw();
    ASSERT_TRUE(WaitFor([&] { return !server.Closed.isEmpty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(server.Closed, QList<uint>{7u});
    notifier.Notify(QStringLiteral("Reminder due"), {QStringLiteral("C")});
    ASSERT_TRUE(WaitFor([&] { return server.Calls == 3; }));
    EXPECT_EQ(server.ReplacesId, 0u);
}

TEST_F(DesktopNotifierBusTest, NoServerMeansNoNotificationAndNoHarm)
{
    DesktopNotifier notifier(Connect(QStringLiteral("client")));
    notifier.Notify(QStringLiteral("Reminder due"), {QStringLiteral("A")});
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    SUCCEED();
}

TEST(DesktopNotifierTest, WithoutABusNothingHappens)
{
    test::QtTestApp();
    DesktopNotifier notifier(QDBusConnection(QStringLiteral("not-connected")));
    notifier.Notify(QStringLiteral("Reminder due"), {QStringLiteral("A")});
    SUCCEED();
}

// The server starts after the agent, quits, and another starts in do-not-disturb: each time the
// agent asks anew, and while none runs nothing holds alarms.
TEST_F(DesktopNotifierBusTest, AsksDoNotDisturbAgainWhenTheServerStartsOrStartsAnew)
{
    DesktopNotifier notifier(Connect(QStringLiteral("client")));
    {
        QDBusConnection firstBus = Connect(QStringLiteral("first"));
        FakeNotificationServer first;
        first.Inhibited = true;
        ASSERT_TRUE(first.Serve(firstBus));
        ASSERT_TRUE(WaitFor([&] { return notifier.DoNotDisturb(); }));
        firstBus.unregisterService(FakeNotificationServer::kService);
        ASSERT_TRUE(WaitFor([&] { return !notifier.DoNotDisturb(); }));
        firstBus.unregisterObject(FakeNotificationServer::kPath);
    }
    QDBusConnection secondBus = Connect(QStringLiteral("second"));
    FakeNotificationServer second;
    second.Inhibited = true;
    ASSERT_TRUE(second.Serve(secondBus));
    EXPECT_TRUE(WaitFor([&] { return notifier.DoNotDisturb(); }));
}

} // namespace
} // namespace rz
