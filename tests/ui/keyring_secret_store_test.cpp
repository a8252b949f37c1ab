// SPDX-License-Identifier: GPL-3.0-or-later
// Against a real Secret Service: gnome-keyring-daemon, unlocked, on a bus of the test's own. Each
// case runs in a process of its own (CTest), since the keyring library keeps its first bus.
#include "core/settings_store.h"
#include "keyring_daemon.h"
#include "private_bus.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "ui/keyring_secret_store.h"
#include "util/clock.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <unistd.h>

namespace rz {
namespace {

class KeyringSecretStoreTest : public ::testing::Test
{
protected:
    // The keyring library's bus connection ends the process with SIGTERM when its bus goes, as a
    // desktop session's end should end the agent; here the bus goes with the test.
    void SetUp() override { std::signal(SIGTERM, SIG_IGN); }

    std::string StartKeyring(test::PrivateBus& bus, bool unlocked = true)
    {
        return m_Keyring.Start(bus, unlocked);
    }

    test::TempDir m_Home;
    test::TempDir m_Data;
    test::KeyringDaemon m_Keyring;
};

// Runs `call` on a thread of its own while the program's clock runs fast, so a wait for the keyring
// that ends by its patience ends within moments.
template <typename Call> auto WithFastClock(Call call)
{
    ScopedFakeClock clock(1.8e9);
    auto answer = std::async(std::launch::async, call);
    while (answer.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        clock.Advance(5);
    }
    return answer.get();
}

// Counts the calls that reach the keyring.
class CountingStore final : public ISecretStore
{
public:
    explicit CountingStore(ISecretStore& store) : m_Store(store) {}
    SecretRead Read(const std::string& key) override
    {
        ++Calls;
        return m_Store.Read(key);
    }
    SecretOutcome Write(const std::string& key, const std::string& value) override
    {
        ++Calls;
        return m_Store.Write(key, value);
    }
    std::atomic<int> Calls{0};

private:
    ISecretStore& m_Store;
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
    if (!test::KeyringDaemon::Installed()) {
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

#define RZ_START_KEYRING(bus, unlocked)                                                                      \
    do {                                                                                                     \
        if (!test::KeyringDaemon::Installed())                                                               \
            GTEST_SKIP() << "gnome-keyring is not installed";                                                \
        RZ_START_PRIVATE_BUS(bus);                                                                           \
        ::setenv("DBUS_SESSION_BUS_ADDRESS", (bus).Address().c_str(), 1);                                    \
        ::unsetenv("XDG_CURRENT_DESKTOP");                                                                   \
        ASSERT_EQ(StartKeyring(bus, unlocked), "");                                                          \
    } while (false)

TEST_F(KeyringSecretStoreTest, ASignOutWhoseDeleteGetsNoAnswerHoldsAtTheNextStart)
{
    test::PrivateBus bus;
    RZ_START_KEYRING(bus, true);
    KeyringSecretStore keyring;
    AppState agent;
    agent.Paths = BuildAppPaths(m_Data.Path());
    agent.Secrets = &keyring;
    agent.AccessToken.Set("access-1");
    agent.RefreshToken.Set("refresh-1");
    agent.UserId.Set("user-1");
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(agent, AccountSave::SignIn));

    // The keyring stops answering; the sign-out's delete waits out its patience.
    m_Keyring.Pause();
    MGlobalsOnline::BeginSignIn(agent, true);
    EXPECT_TRUE(WithFastClock([&] { return MGlobalsOnline::SaveConfig(agent); }));
    m_Keyring.Resume();

    AppState next;
    next.Paths = agent.Paths;
    next.Secrets = &keyring;
    MGlobalsOnline::LoadConfig(next);
    EXPECT_EQ(next.AccessToken.Get(), "");
    EXPECT_EQ(next.RefreshToken.Get(), "");
    EXPECT_EQ(next.UserId.Get(), "");
    // That start deleted what the sign-out could not.
    EXPECT_EQ(keyring.Read("OnlineOneNoteRefreshToken@" + next.Paths.DataFolderPath).Outcome,
              SecretOutcome::Absent);
}

TEST_F(KeyringSecretStoreTest, AWriteWhoseCallerGaveUpNeverLands)
{
    test::PrivateBus bus;
    RZ_START_KEYRING(bus, true);
    KeyringSecretStore keyring;
    m_Keyring.Pause();
    EXPECT_EQ(WithFastClock([&] { return keyring.Read("first").Outcome; }), SecretOutcome::Unavailable);
    EXPECT_EQ(WithFastClock([&] { return keyring.Write("late", "stale-token"); }),
              SecretOutcome::Unavailable);
    m_Keyring.Resume();
    EXPECT_EQ(keyring.Read("late").Outcome, SecretOutcome::Absent);
}

TEST_F(KeyringSecretStoreTest, AKeyringThatCannotBeCreatedIsAskedOnce)
{
    test::PrivateBus bus;
    RZ_START_KEYRING(bus, false);
    KeyringSecretStore keyring;
    CountingStore counted(keyring);
    AppState window;
    window.Paths = BuildAppPaths(m_Data.Path());
    window.Secrets = &counted;
    // A new user's sign-in: no default keyring, and nobody answers the prompt that would make one.
    window.AccessToken.Set("access-1");
    window.RefreshToken.Set("refresh-1");
    ASSERT_TRUE(WithFastClock([&] { return MGlobalsOnline::SaveConfig(window, AccountSave::SignIn); }));
    window.UserId.Set("user-1");
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(window));
    EXPECT_EQ(counted.Calls, 1);
    EXPECT_TRUE(window.SecretsFallbackReported);
    EXPECT_EQ(MConfig(window.Paths.SettingsFilePath).ReadValueDefStr("OnlineOneNoteRefreshToken", ""),
              "refresh-1");
}

TEST_F(KeyringSecretStoreTest, EntriesKeptUnderAnotherSpellingOfTheFolderAreFound)
{
    test::PrivateBus bus;
    RZ_START_KEYRING(bus, true);
    KeyringSecretStore keyring;
    // Written through a symbolic link to the data's folder, with a trailing slash.
    const std::string linked = m_Home.File("linked");
    std::filesystem::create_symlink(m_Data.Path(), linked);
    AppState before;
    before.Paths = BuildAppPaths(linked + "/");
    for (const char* key : {"OnlineOneNoteAccessToken@", "OnlineOneNoteRefreshToken@"}) {
        ASSERT_EQ(keyring.Write(key + before.Paths.DataFolderPath, std::string(key) + "value"),
                  SecretOutcome::Done);
    }
    MConfig(before.Paths.SettingsFilePath).Save();

    AppState first;
    first.Paths = before.Paths;
    first.Secrets = &keyring;
    MGlobalsOnline::LoadConfig(first);
    EXPECT_EQ(first.RefreshToken.Get(), "OnlineOneNoteRefreshToken@value");
    AppState direct;
    direct.Paths = BuildAppPaths(m_Data.Path());
    direct.Secrets = &keyring;
    MGlobalsOnline::LoadConfig(direct);
    EXPECT_EQ(direct.RefreshToken.Get(), "OnlineOneNoteRefreshToken@value");
    EXPECT_EQ(keyring.Read("OnlineOneNoteRefreshToken@" + before.Paths.DataFolderPath).Outcome,
              SecretOutcome::Absent);
}

} // namespace
} // namespace rz
