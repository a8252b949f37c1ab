// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_test_app.h"
#include "ui/desktop_notifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThread>
#include <QVariantMap>
#include <functional>
#include <gtest/gtest.h>

namespace rz {
namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// A notification server that records what it was asked to show.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    int Calls = 0;
    QString Summary;
    QString Body;
    QStringList Actions;
    uint ReplacesId = 0;
    QStringList Capabilities;

public slots:
    QStringList GetCapabilities() { return Capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(appName);
        Q_UNUSED(appIcon);
        Q_UNUSED(hints);
        Q_UNUSED(timeout);
        ++Calls;
        ReplacesId = replacesId;
        Summary = summary;
        Body = body;
        Actions = actions;
        return 7;
    }
};

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
    void SetUp() override
    {
        test::QtTestApp();
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
            GTEST_SKIP() << "dbus-daemon is not installed";
        }
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted());
        ASSERT_TRUE(WaitFor([this] { return daemon.canReadLine(); }));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        if (daemon.state() != QProcess::NotRunning) {
            daemon.kill();
            daemon.waitForFinished();
        }
    }
    QDBusConnection Connect(const QString& name) { return QDBusConnection::connectToBus(address, name); }

    QProcess daemon;
    QString address;
};

TEST_F(DesktopNotifierBusTest, PostsEscapedLinesAndReportsAClickOnItsOwnNotification)
{
    QDBusConnection serverBus = Connect(QStringLiteral("server"));
    ASSERT_TRUE(serverBus.isConnected());
    FakeNotificationServer server;
    ASSERT_TRUE(serverBus.registerObject(kPath, &server, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverBus.registerService(kInterface));

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
    QDBusMessage other = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
    other << 8u << QStringLiteral("default");
    serverBus.send(other);
    QDBusMessage ours = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
    ours << 7u << QStringLiteral("default");
    serverBus.send(ours);
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
    ASSERT_TRUE(serverBus.registerObject(kPath, &server, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverBus.registerService(kInterface));
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
    QDBusMessage invoked = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
    invoked << 7u << QStringLiteral("snooze15");
    serverBus.send(invoked);
    ASSERT_TRUE(WaitFor([&] { return chosen.count() == 1; }));
    EXPECT_EQ(chosen.at(0).at(0).toString(), QStringLiteral("snooze15"));
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

} // namespace
} // namespace rz

#include "desktop_notifier_test.moc"
