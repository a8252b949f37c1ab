// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"
#include "test_support.h"
#include "util/files.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rz {
namespace {

using test::ReadFileBytes;
using test::ScopedTimeZone;
using test::TempDir;
using test::WriteFileBytes;

std::string PlistWith(const std::string& entries)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" + entries +
           "</dict></plist>";
}

TEST(SettingsStoreTest, FirstStartReadsDefaultsAndCreatesNothing)
{
    TempDir dir;
    const std::string path = dir.File("velaapp.plist");
    MConfig config(path);
    EXPECT_TRUE(config.HasDictionary());
    EXPECT_EQ(config.ReadValueDefStr("OnlineOneNoteAccessToken", ""), "");
    EXPECT_EQ(config.ReadValueDefStr("SnoozeTime_Default", "5 minutes"), "5 minutes");
    EXPECT_EQ(config.ReadValueDefInt("n", 7), 7);
    EXPECT_TRUE(config.ReadValueDefBool("b", true));
    EXPECT_FALSE(FileExists(path));
}

TEST(SettingsStoreTest, EveryKindSurvivesSaveAndReload)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempDir dir;
    const std::string path = dir.File("velaapp.plist");
    {
        MConfig config(path);
        config.WriteValueValueStr("s", "tok+en&=%<>\"'ü");
        config.WriteValueValueInt("i", -42);
        config.WriteValueValueInt("big", INT64_MAX);
        config.WriteValueValueBool("b", true);
        config.WriteValueValueDate("d", *StringToDate("2024-03-05 14:30:00"));
        ASSERT_TRUE(config.Save());
    }
    MConfig config(path);
    EXPECT_EQ(config.ReadValueDefStr("s", ""), "tok+en&=%<>\"'ü");
    EXPECT_EQ(config.ReadValueDefInt("i", 0), -42);
    EXPECT_EQ(config.ReadValueDefInt("big", 0), INT64_MAX);
    EXPECT_TRUE(config.ReadValueDefBool("b", false));
    EXPECT_EQ(config.ReadValueDefStr("d", ""), "20240305");
    EXPECT_EQ(DateToString(config.ReadValueDefDate("d", std::nullopt)), "2024-03-05 00:00:00");
}

TEST(SettingsStoreTest, ConversionsBetweenKinds)
{
    TempDir dir;
    const std::string path = dir.File("s.plist");
    WriteFileBytes(path, PlistWith("<key>digits</key><string>12abc</string>"
                                   "<key>letters</key><string>abc</string>"
                                   "<key>yes</key><string>  00Yes</string>"
                                   "<key>no</key><string>no</string>"
                                   "<key>zero</key><string>000</string>"
                                   "<key>num</key><integer>3</integer>"
                                   "<key>nil</key><integer>0</integer>"
                                   "<key>real</key><real>2.5</real>"
                                   "<key>dashed</key><string>2024-03-05</string>"
                                   "<key>feb30</key><string>20240230</string>"
                                   "<key>data</key><data>AAEC</data>"));
    MConfig config(path);
    ASSERT_TRUE(config.HasDictionary());
    EXPECT_EQ(config.ReadValueDefInt("digits", 99), 12);
    EXPECT_EQ(config.ReadValueDefInt("letters", 99), 0);
    EXPECT_EQ(config.ReadValueDefInt("absent", 99), 99);
    EXPECT_EQ(config.ReadValueDefInt("real", 0), 2);
    EXPECT_TRUE(config.ReadValueDefBool("yes", false));
    EXPECT_FALSE(config.ReadValueDefBool("no", true));
    EXPECT_FALSE(config.ReadValueDefBool("zero", true));
    EXPECT_TRUE(config.ReadValueDefBool("num", false));
    EXPECT_FALSE(config.ReadValueDefBool("nil", true));
    EXPECT_EQ(config.ReadValueDefStr("num", ""), "3");
    EXPECT_EQ(config.ReadValueDefStr("data", "def"), "def");
    const std::optional<Date> someDate = Date{86400};
    EXPECT_FALSE(config.ReadValueDefDate("dashed", someDate).has_value())
        << "a bad text is no date, not the default";
    EXPECT_FALSE(config.ReadValueDefDate("feb30", someDate).has_value());
    EXPECT_EQ(config.ReadValueDefDate("absent", someDate), someDate);
}

TEST(SettingsStoreTest, UnsavedWritesAreDiscarded)
{
    TempDir dir;
    const std::string path = dir.File("s.plist");
    {
        MConfig config(path);
        config.WriteValueValueStr("a", "1");
        config.Save();
    }
    const std::string before = ReadFileBytes(path);
    {
        MConfig config(path);
        config.WriteValueValueStr("a", "2");
        config.WriteValueValueInt("a", 5);
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(MConfig(path).ReadValueDefStr("a", ""), "1");
}

TEST(SettingsStoreTest, UnreadableFileIsLeftUntouched)
{
    const char* damaged[] = {
        "not a plist at all",
        R"(<?xml version="1.0"?><plist version="1.0"><array><string>x</string></array></plist>)",
        R"(<?xml version="1.0"?><plist version="1.0"><dict><key>a</key><string>cut)",
        "bplist00\x01\x02",
    };
    for (const char* content : damaged) {
        TempDir dir;
        const std::string path = dir.File("velaapp.plist");
        WriteFileBytes(path, content);
        MConfig config(path);
        EXPECT_FALSE(config.HasDictionary()) << content;
        EXPECT_EQ(config.ReadValueDefStr("OnlineOneNoteUserId", "def"), "def");
        config.WriteValueValueStr("OnlineOneNoteUserId", "x");
        EXPECT_EQ(config.ReadValueDefStr("OnlineOneNoteUserId", "def"), "def");
        EXPECT_FALSE(config.Save());
        EXPECT_EQ(ReadFileBytes(path), content);
    }
}

TEST(SettingsStoreTest, UnknownKindsSurviveASave)
{
    TempDir dir;
    const std::string path = dir.File("s.plist");
    WriteFileBytes(
        path, PlistWith("<key>blob</key><data>AAEC</data><key>list</key><array><string>x</string></array>"));
    {
        MConfig config(path);
        config.WriteValueValueStr("a", "b");
        ASSERT_TRUE(config.Save());
    }
    const std::string saved = ReadFileBytes(path);
    EXPECT_NE(saved.find("<data>"), std::string::npos);
    EXPECT_NE(saved.find("<string>x</string>"), std::string::npos);
}

TEST(SettingsStoreTest, LaterSaveWinsWithoutTransactions)
{
    TempDir dir;
    const std::string path = dir.File("s.plist");
    MConfig first(path);
    MConfig second(path);
    first.WriteValueValueStr("a", "1");
    first.Save();
    second.WriteValueValueStr("b", "2");
    second.Save();
    MConfig reread(path);
    EXPECT_EQ(reread.ReadValueDefStr("a", "none"), "none");
    EXPECT_EQ(reread.ReadValueDefStr("b", "none"), "2");
}

TEST(SettingsStoreTest, TransactionsOfTwoProcessesLoseNoWrite)
{
    TempDir dir;
    const std::string path = dir.File("velaapp.plist");
    constexpr int kRounds = 100;
    const auto write = [&path](const std::string& prefix) {
        for (int i = 0; i < kRounds; ++i) {
            MConfigTransaction settings(path);
            settings->WriteValueValueInt(prefix + std::to_string(i), i);
            settings->Save();
        }
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        write("child");
        _exit(0);
    }
    write("parent");
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    MConfig result(path);
    for (int i = 0; i < kRounds; ++i) {
        ASSERT_EQ(result.ReadValueDefInt("child" + std::to_string(i), -1), i);
        ASSERT_EQ(result.ReadValueDefInt("parent" + std::to_string(i), -1), i);
    }
    struct stat lockInfo
    {
    };
    ASSERT_EQ(stat((path + ".lock").c_str(), &lockInfo), 0);
    EXPECT_EQ(lockInfo.st_mode & 0777, 0600u);
}

} // namespace
} // namespace rz
