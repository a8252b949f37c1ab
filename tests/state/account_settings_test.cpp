// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
#include "fake_secret_store.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(AccountSettingsTest, SaveThenLoadRestoresTheAccount)
{
    test::TempDir dir;
    AppState saved;
    saved.Paths = BuildAppPaths(dir.Path());
    saved.AccessToken.Set("access+/=");
    saved.RefreshToken.Set("refresh&%");
    saved.UserId.Set("1234-abcd");
    saved.UserPrincipalName.Set("ada@example.com");
    saved.AuthorizationCode.Set("never stored");
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(saved));

    AppState loaded;
    loaded.Paths = saved.Paths;
    MGlobalsOnline::LoadConfig(loaded);
    EXPECT_EQ(loaded.AccessToken.Get(), "access+/=");
    EXPECT_EQ(loaded.RefreshToken.Get(), "refresh&%");
    EXPECT_EQ(loaded.UserId.Get(), "1234-abcd");
    EXPECT_EQ(loaded.UserPrincipalName.Get(), "ada@example.com");
    EXPECT_EQ(loaded.AuthorizationCode.Get(), "");
    EXPECT_EQ(MConfig(saved.Paths.SettingsFilePath).ReadValueDefStr("AuthorizationCode", "absent"), "absent");
}

TEST(AccountSettingsTest, MissingKeysKeepInMemoryValuesAndOtherKeysSurvive)
{
    test::TempDir dir;
    AppState state;
    state.Paths = BuildAppPaths(dir.Path());
    {
        MConfig settings(state.Paths.SettingsFilePath);
        settings.WriteValueValueStr("OnlineOneNoteUserId", "only-id");
        settings.WriteValueValueStr("SnoozeTime_Default", "1 hour");
        settings.Save();
    }
    state.UserPrincipalName.Set("");
    state.AccessToken.Set("kept");
    MGlobalsOnline::LoadConfig(state);
    EXPECT_EQ(state.UserId.Get(), "only-id");
    EXPECT_EQ(state.UserPrincipalName.Get(), "");
    EXPECT_EQ(state.AccessToken.Get(), "kept");

    ASSERT_TRUE(MGlobalsOnline::SaveConfig(state));
    EXPECT_EQ(MConfig(state.Paths.SettingsFilePath).ReadValueDefStr("SnoozeTime_Default", ""), "1 hour");
}

// An account whose tokens the (fake) keyring holds, its user in the settings file.
void SignIn(AppState& state, test::FakeSecretStore& keyring, const std::string& folder,
            const std::string& user)
{
    state.Paths = BuildAppPaths(folder);
    state.Secrets = &keyring;
    state.AccessToken.Set(user + "-at");
    state.RefreshToken.Set(user + "-rt");
    state.UserId.Set(user);
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(state, AccountSave::SignIn));
}

TEST(AccountSettingsTest, ALateRefreshDoesNotUndoASignOut)
{
    test::TempDir dir;
    test::FakeSecretStore keyring;
    AppState agent;
    SignIn(agent, keyring, dir.Path(), "u-1");
    const AccountSnapshot beforeSignOut = MGlobalsOnline::Snapshot(agent);

    // The sign-out's deletes fail; a refresh of the account that left lands afterwards.
    AppState window;
    window.Paths = agent.Paths;
    window.Secrets = &keyring;
    keyring.FailAll = true;
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(window));
    keyring.FailAll = false;
    EXPECT_FALSE(MGlobalsOnline::SaveSnapshot(agent, beforeSignOut, AccountSave::Update));

    AppState next;
    next.Paths = agent.Paths;
    next.Secrets = &keyring;
    MGlobalsOnline::LoadConfig(next);
    EXPECT_EQ(next.AccessToken.Get(), "");
    EXPECT_EQ(next.RefreshToken.Get(), "");
    // The load retried the deletes, and the next sign-in ends the sign-out.
    EXPECT_TRUE(keyring.Entries.empty());
    SignIn(next, keyring, dir.Path(), "u-2");
    AppState later;
    later.Paths = agent.Paths;
    later.Secrets = &keyring;
    MGlobalsOnline::LoadConfig(later);
    EXPECT_EQ(later.RefreshToken.Get(), "u-2-rt");
}

TEST(AccountSettingsTest, AnotherUsersSignInNeverTakesTheTokensInMemory)
{
    test::TempDir dir;
    test::FakeSecretStore keyring;
    AppState agent;
    SignIn(agent, keyring, dir.Path(), "u-old");
    // The window signs another user in and saves; the agent then finds no keyring answering.
    {
        AppState window;
        SignIn(window, keyring, dir.Path(), "u-new");
    }
    MGlobalsOnline::BeginSignIn(agent, false);
    keyring.FailAll = true;
    MGlobalsOnline::EndSignIn(agent, {});
    EXPECT_EQ(agent.UserId.Get(), "u-new");
    EXPECT_EQ(agent.AccessToken.Get(), "");
    EXPECT_EQ(agent.RefreshToken.Get(), "");
}

TEST(AccountSettingsTest, AKeyringThatDidNotAnswerIsNotAskedAgain)
{
    test::TempDir dir;
    test::FakeSecretStore keyring;
    keyring.FailAll = true;
    AppState state;
    state.Paths = BuildAppPaths(dir.Path());
    state.Secrets = &keyring;
    MConfig(state.Paths.SettingsFilePath).Save();
    MGlobalsOnline::LoadConfig(state);
    EXPECT_EQ(keyring.Calls, 1);
    state.AccessToken.Set("at");
    state.RefreshToken.Set("rt");
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(state, AccountSave::SignIn));
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(state));
    EXPECT_EQ(keyring.Calls, 1);
    EXPECT_EQ(MConfig(state.Paths.SettingsFilePath).ReadValueDefStr("OnlineOneNoteRefreshToken", ""), "rt");
}

TEST(AccountSettingsTest, AFolderThatKeepsItsTokensInItsFileNeverAsksTheKeyring)
{
    test::TempDir dir;
    test::FakeSecretStore keyring;
    AppState state;
    state.Paths = BuildAppPaths(dir.Path());
    state.Secrets = &keyring;
    {
        MConfig settings(state.Paths.SettingsFilePath);
        settings.WriteValueValueBool("TokensInKeyring", false);
        ASSERT_TRUE(settings.Save());
    }
    state.AccessToken.Set("demo-at");
    state.RefreshToken.Set("demo-rt");
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(state, AccountSave::SignIn));
    MGlobalsOnline::LoadConfig(state);
    MGlobalsOnline::BeginSignIn(state, true);
    ASSERT_TRUE(MGlobalsOnline::SaveConfig(state));
    MGlobalsOnline::EndSignIn(state, {});
    EXPECT_EQ(keyring.Calls, 0);
    EXPECT_EQ(state.RefreshToken.Get(), "");
}

} // namespace
} // namespace rz
