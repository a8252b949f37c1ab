// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
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

} // namespace
} // namespace rz
