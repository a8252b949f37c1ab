// SPDX-License-Identifier: GPL-3.0-or-later
// Against a real Secret Service: gnome-keyring-daemon, unlocked, on a bus of the test's own. Each
// case runs in a process of its own (CTest), since the keyring library keeps its first bus.
#include "core/settings_store.h"
#include "private_bus.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "ui/keyring_secret_store.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace rz {
namespace {

constexpr const char* kDaemon = "/usr/bin/gnome-keyring-daemon";

class KeyringSecretStoreTest : public ::testing::Test
{
protected:
    // The keyring library's bus connection ends the process with SIGTERM when its bus goes, as a
    // desktop session's end should end the agent; here the bus goes with the test.
    void SetUp() override { std::signal(SIGTERM, SIG_IGN); }
    void TearDown() override
    {
        m_Daemon.kill();
        m_Daemon.waitForFinished();
    }

    // Empty once the daemon owns the Secret Service's name on the private bus.
    std::string StartKeyring(test::PrivateBus& bus)
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("HOME"), QString::fromStdString(m_Home.Path()));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(m_Home.File("data")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(m_Home.Path()));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(bus.Address()));
        m_Daemon.setProcessEnvironment(environment);
        // Its own session: the daemon signals its process group when it ends.
        m_Daemon.setChildProcessModifier([] { ::setsid(); });
        m_Daemon.start(QString::fromLatin1(kDaemon),
                       {QStringLiteral("--foreground"), QStringLiteral("--components=secrets"),
                        QStringLiteral("--unlock")});
        if (!m_Daemon.waitForStarted()) {
            return m_Daemon.errorString().toStdString();
        }
        // The password ends with the input; there is no event loop here to write it out later.
        m_Daemon.write("test-password");
        m_Daemon.waitForBytesWritten();
        m_Daemon.closeWriteChannel();
        QDBusConnection probe = bus.Connect(QStringLiteral("keyring-probe"));
        const QDeadlineTimer deadline(10000);
        while (!probe.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"))) {
            if (deadline.hasExpired()) {
                return "the keyring did not come up: " + m_Daemon.readAllStandardError().toStdString();
            }
            QThread::msleep(50);
        }
        return {};
    }

    test::TempDir m_Home;
    test::TempDir m_Data;
    QProcess m_Daemon;
};

// What an earlier version left: the tokens beside the user in the settings file.
void PutTokensInTheFile(AppState& state, const std::string& folder)
{
    state.Paths = BuildAppPaths(folder);
    MConfig settings(state.Paths.SettingsFilePath);
    settings.WriteValueValueStr("OnlineOneNoteAccessToken", "access-1");
    settings.WriteValueValueStr("OnlineOneNoteRefreshToken", "refresh-1");
    settings.WriteValueValueStr("OnlineOneNoteUserId", "user-1");
    settings.Save();
}

TEST_F(KeyringSecretStoreTest, TokensMoveIntoTheKeyringStayThereAndLeaveWithTheAccount)
{
    if (!QFileInfo(QString::fromLatin1(kDaemon)).isExecutable()) {
        GTEST_SKIP() << "gnome-keyring is not installed";
    }
    test::PrivateBus bus;
    RZ_START_PRIVATE_BUS(bus);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
    ::unsetenv("XDG_CURRENT_DESKTOP");
    ASSERT_EQ(StartKeyring(bus), "");
    KeyringSecretStore keyring;

    AppState first;
    PutTokensInTheFile(first, m_Data.Path());
    first.Secrets = &keyring;
    MGlobalsOnline::LoadConfig(first);
    EXPECT_EQ(first.AccessToken.Get(), "access-1");
    EXPECT_EQ(first.RefreshToken.Get(), "refresh-1");
    {
        MConfig settings(first.Paths.SettingsFilePath);
        EXPECT_FALSE(settings.HasValue("OnlineOneNoteAccessToken"));
        EXPECT_FALSE(settings.HasValue("OnlineOneNoteRefreshToken"));
        EXPECT_EQ(settings.ReadValueDefStr("OnlineOneNoteUserId", ""), "user-1");
    }

    // The worker's refresh saves into the keyring; the next start finds the new pair there.
    first.AccessToken.Set("access-2");
    first.RefreshToken.Set("refresh-2");
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(first));
    AppState next;
    next.Paths = first.Paths;
    next.Secrets = &keyring;
    MGlobalsOnline::LoadConfig(next);
    EXPECT_EQ(next.AccessToken.Get(), "access-2");
    EXPECT_EQ(next.RefreshToken.Get(), "refresh-2");
    EXPECT_FALSE(MConfig(first.Paths.SettingsFilePath).HasValue("OnlineOneNoteRefreshToken"));

    // Signing out removes the secrets themselves.
    MGlobalsOnline::BeginSignIn(next, true);
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(next));
    MGlobalsOnline::EndSignIn(next, {});
    EXPECT_EQ(next.RefreshToken.Get(), "");
    EXPECT_EQ(keyring.Read("OnlineOneNoteRefreshToken@" + next.Paths.DataFolderPath).Outcome,
              SecretOutcome::Absent);
    EXPECT_EQ(keyring.Read("OnlineOneNoteAccessToken@" + next.Paths.DataFolderPath).Outcome,
              SecretOutcome::Absent);
}

TEST_F(KeyringSecretStoreTest, WithoutAKeyringTheTokensStayInTheFile)
{
    test::QtTestApp();
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + m_Home.File("no-bus")).c_str(), 1);
    KeyringSecretStore keyring;
    AppState state;
    PutTokensInTheFile(state, m_Data.Path());
    state.Secrets = &keyring;
    MGlobalsOnline::LoadConfig(state);
    EXPECT_EQ(state.RefreshToken.Get(), "refresh-1");
    EXPECT_TRUE(state.SecretsFallbackReported);

    state.RefreshToken.Set("refresh-2");
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(state));
    EXPECT_EQ(MConfig(state.Paths.SettingsFilePath).ReadValueDefStr("OnlineOneNoteRefreshToken", ""),
              "refresh-2");
}

} // namespace
} // namespace rz
