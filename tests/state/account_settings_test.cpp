// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
#include "state/account_settings.h"
#include "state/app_state.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

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

// A keyring in memory that takes every write, or none (no keyring on the desktop).
class FakeSecretStore : public ISecretStore
{
public:
    explicit FakeSecretStore(bool answers) : m_Answers(answers) {}
    SecretRead Read(const std::string& key) override
    {
        if (!m_Answers) {
            return {};
        }
        const auto found = Secrets.find(key);
        return found == Secrets.end() ? SecretRead{SecretOutcome::Absent, {}}
                                      : SecretRead{SecretOutcome::Done, found->second};
    }
    SecretOutcome Write(const std::string& key, const std::string& value) override
    {
        if (!m_Answers) {
            return SecretOutcome::Unavailable;
        }
        if (value.empty()) {
            Secrets.erase(key);
        } else {
            Secrets[key] = value;
        }
        return SecretOutcome::Done;
    }
    std::map<std::string, std::string> Secrets;

private:
    bool m_Answers;
};

// The tokens an earlier version left in the file move into a keyring that answers; without one they
// stay, a refresh is saved there too, and the user hears of it once.
TEST(AccountSettingsTest, FileTokensMoveIntoAnAnsweringKeyringElseStayInTheFile)
{
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "keyring answers" : "no keyring");
        test::TempDir dir;
        FakeSecretStore keyring(answers);
        AppState state;
        state.Paths = BuildAppPaths(dir.Path());
        state.Secrets = &keyring;
        {
            MConfig settings(state.Paths.SettingsFilePath);
            settings.WriteValueValueStr("OnlineOneNoteAccessToken", "access-1");
            settings.WriteValueValueStr("OnlineOneNoteRefreshToken", "refresh-1");
            settings.WriteValueValueStr("OnlineOneNoteUserId", "user-1");
            settings.Save();
        }
        MGlobalsOnline::LoadConfig(state);
        EXPECT_EQ(state.AccessToken.Get(), "access-1");
        EXPECT_EQ(state.RefreshToken.Get(), "refresh-1");
        EXPECT_EQ(state.SecretsFallbackReported, !answers);

        state.RefreshToken.Set("refresh-2");
        ASSERT_TRUE(MGlobalsOnline::SaveConfig(state));
        MConfig settings(state.Paths.SettingsFilePath);
        EXPECT_EQ(settings.ReadValueDefStr("OnlineOneNoteRefreshToken", "absent"),
                  answers ? "absent" : "refresh-2");
        EXPECT_EQ(settings.HasValue("OnlineOneNoteAccessToken"), !answers);
        EXPECT_EQ(settings.ReadValueDefStr("OnlineOneNoteUserId", ""), "user-1");
        const std::string refreshKey = "OnlineOneNoteRefreshToken@" + state.Paths.DataFolderPath;
        EXPECT_EQ(keyring.Read(refreshKey).Value, answers ? "refresh-2" : "");

        // The next start reads the pair from wherever it went.
        AppState next;
        next.Paths = state.Paths;
        next.Secrets = &keyring;
        MGlobalsOnline::LoadConfig(next);
        EXPECT_EQ(next.RefreshToken.Get(), "refresh-2");
        EXPECT_EQ(next.AccessToken.Get(), "access-1");
    }
}

} // namespace
} // namespace rz
