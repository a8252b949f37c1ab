// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/preferences.h"
#include "core/settings_store.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(PreferencesTest, StoredValuesReadBackAndOtherKeysStay)
{
    test::TempDir dir;
    const std::string file = dir.File("velaapp.plist");
    {
        MConfig config(file);
        config.WriteValueValueStr("GraphEndpoint", "http://127.0.0.1:1");
        config.WriteValueValueStr(kDefaultSnoozeKey, "2 hours");
        ASSERT_TRUE(config.Save());
    }
    EXPECT_EQ(LoadPreferences(file).DefaultSnoozeMinutes, 120);

    const TPreferences chosen{
        "1a2b3c4d-0000-1111-2222-333344445555", "0-ABC!12", false, "/tmp/bell.wav", false, 30, false, true};
    ASSERT_TRUE(SavePreferences(file, chosen));
    EXPECT_EQ(LoadPreferences(file), chosen);
    EXPECT_EQ(MConfig(file).ReadValueDefStr("GraphEndpoint", ""), "http://127.0.0.1:1");
    EXPECT_EQ(MConfig(file).ReadValueDefInt(kDefaultSnoozeKey, 0), 30);
}

TEST(PreferencesTest, ClientIdFormAndOldSnoozeTexts)
{
    EXPECT_TRUE(IsClientIdForm(" 1A2B3C4D-0000-1111-2222-333344445555 "));
    EXPECT_FALSE(IsClientIdForm("1a2b3c4d00001111222233334444555566"));
    EXPECT_FALSE(IsClientIdForm("1a2b3c4d-0000-1111-2222-33334444555g"));
    const std::pair<const char*, int> snoozes[] = {{"5 minutes", 5}, {"10 minutes", 10}, {"1 hour", 60},
                                                   {"1 day", 1440},  {"45", 45},         {"soon", 5}};
    for (const auto& [stored, minutes] : snoozes) {
        EXPECT_EQ(SnoozeMinutesFromSetting(stored), minutes) << stored;
    }
}

TEST(PreferencesTest, UncheckedNotebooksAreKeptPerAccountAndADamagedValueWatchesAll)
{
    test::TempDir dir;
    const std::string file = dir.File("velaapp.plist");
    ASSERT_TRUE(SaveUnwatchedNotebooks(file, "user-a", {"nb-1", "nb-2"}));
    ASSERT_TRUE(SaveUnwatchedNotebooks(file, "user-b", {"nb-3"}));
    EXPECT_EQ(LoadUnwatchedNotebooks(file, "user-a"), (std::set<std::string>{"nb-1", "nb-2"}));
    EXPECT_EQ(LoadUnwatchedNotebooks(file, "user-c"), std::set<std::string>());
    // Everything checked again: the account's entry goes, the other account's stays.
    ASSERT_TRUE(SaveUnwatchedNotebooks(file, "user-a", {}));
    EXPECT_EQ(LoadUnwatchedNotebooks(file, "user-a"), std::set<std::string>());
    EXPECT_EQ(LoadUnwatchedNotebooks(file, "user-b"), (std::set<std::string>{"nb-3"}));
    for (const char* damaged :
         {"{\"user-b\":[\"nb-3\"", "[1,2]", "{\"user-b\":\"nb-3\"}", "{\"user-b\":[7]}"}) {
        MConfig config(file);
        config.WriteValueValueStr(kUnwatchedNotebooksKey, damaged);
        ASSERT_TRUE(config.Save());
        EXPECT_EQ(LoadUnwatchedNotebooks(file, "user-b"), std::set<std::string>()) << damaged;
    }
    EXPECT_FALSE(SaveUnwatchedNotebooks(file, "", {"nb-1"}));
}

} // namespace
} // namespace rz
