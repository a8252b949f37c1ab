// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_delegate.h"
#include "app/single_instance.h"
#include "child_process.h"
#include "core/instance_lock.h"
#include "core/preferences.h"
#include "core/settings_store.h"
#include "keyring_daemon.h"
#include "outbox/outbox.h"
#include "private_bus.h"
#include "qt_test_app.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "test_support.h"
#include "ui/main_window.h"
#include "util/files.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace rz {
namespace {

// The built program in a temporary HOME, offscreen; the session bus is the one given or none.
class AppStartTest : public testing::Test
{
protected:
    AppStartTest() { CreateFolder(DataFolder()); }

    std::string SupportFolder() const { return home.Path() + "/data"; }
    std::string DataFolder() const { return SupportFolder() + "/Tidewell/RedoZevuviva"; }
    std::unique_ptr<test::ChildProcess> Start(const std::string& busAddress = {},
                                              std::vector<std::string> args = {})
    {
        return std::make_unique<test::ChildProcess>(
            RZ_APP_BINARY, args, test::AppEnvironment(home.Path(), SupportFolder(), busAddress));
    }
    // The agent has its lock once the lock file names it.
    bool HoldsTheLock(test::ChildProcess& app, int timeoutMs = 20000)
    {
        return test::WaitFor(timeoutMs, [&] { return TInstanceLock::HolderPid(DataFolder()) == app.Pid(); });
    }

    // This process's bus objects answer the program's calls.
    static bool ServeUntilExit(test::ChildProcess& app)
    {
        return test::WaitFor(20000, [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return !app.Running();
        });
    }

    test::TempDir home;
};

TEST_F(AppStartTest, VersionPrintsTheProjectVersion)
{
    auto app = Start({}, {"--version"});
    EXPECT_EQ(app->WaitExit(20000), 0);
    EXPECT_EQ(app->Stdout(), std::string("RedoZevuviva ") + RZ_VERSION + "\n");
}

TEST_F(AppStartTest, UnknownOptionExitsTwoNamingIt)
{
    auto app = Start({}, {"--frobnicate"});
    EXPECT_EQ(app->WaitExit(20000), 2);
    EXPECT_NE(app->Stderr().find("unknown option '--frobnicate'"), std::string::npos) << app->Stderr();
    EXPECT_EQ(app->Stdout(), "");
}

TEST_F(AppStartTest, WithoutASessionBusTheLockAloneKeepsTheSecondOut)
{
    auto first = Start();
    ASSERT_TRUE(HoldsTheLock(*first)) << first->Stderr();
    auto second = Start();
    EXPECT_EQ(second->WaitExit(20000), 0) << second->Stderr();
    EXPECT_NE(second->Stderr().find("already running"), std::string::npos) << second->Stderr();
    EXPECT_TRUE(first->Running());
    EXPECT_EQ(TInstanceLock::HolderPid(DataFolder()), first->Pid());
}

TEST_F(AppStartTest, LockOfAKilledAgentDoesNotBlock)
{
    auto killed = Start();
    ASSERT_TRUE(HoldsTheLock(*killed)) << killed->Stderr();
    killed->Signal(SIGKILL);
    ASSERT_EQ(killed->WaitExit(5000), 128 + SIGKILL);
    ASSERT_TRUE(FileExists(DataFolder() + "/" + kInstanceLockFileName));

    auto next = Start();
    EXPECT_TRUE(HoldsTheLock(*next)) << next->Stderr();
    EXPECT_TRUE(next->Running());
}

// An agent started without the lock would run beside any other on the same data folder.
TEST_F(AppStartTest, AddStartsNoAgentWhenTheLockFileCannotBeOpened)
{
    const std::string lock = DataFolder() + "/" + kInstanceLockFileName;
    ASSERT_EQ(::symlink(home.File("elsewhere").c_str(), lock.c_str()), 0);
    auto add = Start({}, {"--add", "Call Bob !2099-12-10 09:00"});
    EXPECT_EQ(add->WaitExit(20000), 1);
    EXPECT_NE(add->Stderr().find("No agent was started: the lock file " + lock), std::string::npos)
        << add->Stderr();
}

// The first agent runs in this process, so its window can be looked at; the second is the program.
TEST_F(AppStartTest, SecondStartShowsTheRunningAgentAndExits)
{
    test::PrivateBus bus;
    RZ_START_PRIVATE_BUS(bus);
    QDBusConnection connection = bus.Connect(QStringLiteral("rz-e2e"));
    ASSERT_TRUE(connection.isConnected());

    test::QtTestApp();
    test::ScopedEnv homeVar("HOME", home.Path().c_str());
    test::ScopedEnv configVar("XDG_CONFIG_HOME", (home.Path() + "/config").c_str());
    {
        AppState state;
        AppDelegate agent(state);
        agent.SetAlertSoundPlayer([] {});
        agent.SetApplicationSupportFolder(SupportFolder());
        TInstanceLock lock;
        ASSERT_EQ(lock.Acquire(DataFolder()), TInstanceLock::Outcome::Acquired);
        SingleInstance instance(connection, DataFolder());
        ASSERT_TRUE(instance.Register());
        QObject::connect(&instance, &SingleInstance::ShowRequested, &agent,
                         &AppDelegate::ShowAfterAnotherStart);
        QString token;
        QObject::connect(&instance, &SingleInstance::ShowRequested,
                         [&](const QString& given) { token = given; });
        agent.applicationDidFinishLaunching();
        agent.window()->close();
        ASSERT_TRUE(agent.window()->isMinimized());

        // The launcher's token travels to the agent, whose window takes it for its activation.
        test::Environment environment = test::AppEnvironment(home.Path(), SupportFolder(), bus.Address());
        environment.emplace_back("XDG_ACTIVATION_TOKEN", "launcher-token-1");
        auto second = std::make_unique<test::ChildProcess>(
            RZ_APP_BINARY, std::vector<std::string>{"--verbose"}, environment);
        ASSERT_TRUE(ServeUntilExit(*second)) << second->Stderr();
        EXPECT_EQ(second->WaitExit(0), 0) << second->Stderr();
        EXPECT_EQ(second->Stderr().find("already running"), std::string::npos) << second->Stderr();
        EXPECT_TRUE(agent.window()->isVisible());
        EXPECT_FALSE(agent.window()->isMinimized());
        EXPECT_EQ(token, QStringLiteral("launcher-token-1"));
    }
}

// --add hands its text to the agent running in this process, which queues the page or says why not.
TEST_F(AppStartTest, AddHandsTheReminderToTheRunningAgent)
{
    test::PrivateBus bus;
    RZ_START_PRIVATE_BUS(bus);
    QDBusConnection connection = bus.Connect(QStringLiteral("rz-e2e-add"));
    ASSERT_TRUE(connection.isConnected());
    {
        // A signed-in account whose services are out of reach, and a section chosen before.
        AppState account;
        account.SetPaths(BuildAppPaths(SupportFolder()));
        account.AccessToken.Set("access");
        account.RefreshToken.Set("refresh");
        account.UserId.Set("3b5c9d1e7f2a4c6b");
        ASSERT_TRUE(MGlobalsOnline::SaveConfig(account));
        MConfig settings(account.Paths.SettingsFilePath);
        for (const char* key : {"GraphEndpoint", "IdentityEndpoint", "AccountEndpoint"}) {
            settings.WriteValueValueStr(key, "http://127.0.0.1:9");
        }
        settings.WriteValueValueStr(kNewReminderSectionKey, "0-ABC!12");
        ASSERT_TRUE(settings.Save());
    }

    test::QtTestApp();
    test::ScopedEnv homeVar("HOME", home.Path().c_str());
    test::ScopedEnv configVar("XDG_CONFIG_HOME", (home.Path() + "/config").c_str());
    {
        AppState state;
        AppDelegate agent(state);
        agent.SetAlertSoundPlayer([] {});
        agent.SetApplicationSupportFolder(SupportFolder());
        TInstanceLock lock;
        ASSERT_EQ(lock.Acquire(DataFolder()), TInstanceLock::Outcome::Acquired);
        SingleInstance instance(connection, DataFolder());
        agent.ServeAddRequests(instance);
        ASSERT_TRUE(instance.Register());
        ASSERT_TRUE(agent.applicationDidFinishLaunching());

        const auto run = [&](const char* text) {
            auto add = Start(bus.Address(), {"--add", text});
            EXPECT_TRUE(ServeUntilExit(*add)) << add->Stderr();
            return add;
        };
        auto queued = run("Call Bob !2099-12-10 09:00");
        EXPECT_EQ(queued->WaitExit(0), 0) << queued->Stderr();
        EXPECT_EQ(queued->Stdout(),
                  "Queued \u201cCall Bob !2099-12-10 09:00\u201d for the section 0-ABC!12.\n");
        ASSERT_EQ(agent.Outbox()->Count(), 1u);
        EXPECT_EQ(agent.Outbox()->Items()[0].Label, "Call Bob !2099-12-10 09:00");

        auto refused = run("Call Bob");
        EXPECT_EQ(refused->WaitExit(0), 1);
        EXPECT_NE(refused->Stderr().find("makes no reminder"), std::string::npos) << refused->Stderr();
        EXPECT_EQ(agent.Outbox()->Count(), 1u);
    }
}

// An agent whose tokens wait in a keyring that never answers still runs its event loop: another
// start's --add is answered at once.
TEST_F(AppStartTest, AddIsAnsweredWhileTheKeyringGivesNoAnswer)
{
    if (!test::KeyringDaemon::Installed()) {
        GTEST_SKIP() << "gnome-keyring is not installed";
    }
    test::PrivateBus bus;
    RZ_START_PRIVATE_BUS(bus);
    test::KeyringDaemon keyring;
    ASSERT_EQ(keyring.Start(bus), "");
    keyring.Pause();
    {
        MConfig settings(DataFolder() + "/velaapp.plist");
        settings.WriteValueValueStr("OnlineOneNoteUserId", "3b5c9d1e7f2a4c6b");
        for (const char* key : {"GraphEndpoint", "IdentityEndpoint", "AccountEndpoint"}) {
            settings.WriteValueValueStr(key, "http://127.0.0.1:9");
        }
        settings.WriteValueValueStr(kNewReminderSectionKey, "0-ABC!12");
        ASSERT_TRUE(settings.Save());
    }
    auto agent = Start(bus.Address());
    QDBusConnection probe = bus.Connect(QStringLiteral("rz-e2e-keyring-probe"));
    ASSERT_TRUE(test::WaitFor(20000, [&] {
        return probe.interface()->isServiceRegistered(QString::fromStdString(InstanceBusName(DataFolder())));
    })) << agent->Stderr();

    auto add = Start(bus.Address(), {"--add", "Call Bob !2099-12-10 09:00"});
    EXPECT_EQ(add->WaitExit(20000), 0) << add->Stderr();
    EXPECT_EQ(add->Stdout(), "Queued \u201cCall Bob !2099-12-10 09:00\u201d for the section 0-ABC!12.\n");
    EXPECT_TRUE(agent->Running());
}

} // namespace
} // namespace rz
