// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paths.h"
#include "test_support.h"
#include "util/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rz {
namespace {

using test::ScopedEnv;
using test::TempDir;

TEST(PathsTest, SupportFolderFollowsXdgThenHome)
{
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/data/xdg");
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(ApplicationSupportFolder(), "/data/xdg");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", "/home/someone/");
        EXPECT_EQ(ApplicationSupportFolder(), "/home/someone/.local/share");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(ApplicationSupportFolder(), "/home/someone/.local/share");
    }
}

TEST(PathsTest, NoSupportFolderWithoutXdgOrHome)
{
    // Whatever the password database says: an empty answer makes the app refuse to start rather
    // than place its files below "/".
    const char* homes[] = {nullptr, "", "relative/home"};
    for (const char* home : homes) {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv homeVar("HOME", home);
        EXPECT_EQ(ApplicationSupportFolder(), "") << (home ? home : "(unset)");
    }
}

TEST(PathsTest, BuildsDataFolderAndFilePaths)
{
    TempDir dir;
    const AppPaths paths = BuildAppPaths(dir.Path());
    const std::string data = dir.Path() + "/Tidewell/RedoZevuviva";
    EXPECT_EQ(paths.DataFolderPath, data);
    EXPECT_EQ(paths.SettingsFilePath, data + "/velaapp.plist");
    EXPECT_EQ(paths.HierarchyFilePath, data + "/RedoZevuviva.json");
    EXPECT_EQ(paths.RemindersFilePath, data + "/Reminders.plist");
    EXPECT_EQ(paths.TagPagesFilePath, data + "/TagPages.plist");
    EXPECT_EQ(paths.PendingRemindersFilePath, data + "/PendingReminders.plist");
    EXPECT_EQ(paths.StoreRootPath, dir.Path() + "/Tidewell/RESTDB");
    struct stat info = {};
    ASSERT_EQ(::stat(data.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_FALSE(FileExists(paths.SettingsFilePath));
}

TEST(PathsTest, TidyingTightensFoldersAndRemovesLeftoverTemporaryFiles)
{
    TempDir dir;
    TempDir outside;
    const AppPaths paths = BuildAppPaths(dir.Path());
    const std::string account = paths.StoreRootPath + "/u-1";
    ASSERT_TRUE(CreateFolder(account + "/nb"));
    for (const std::string& folder : {paths.DataFolderPath, paths.StoreRootPath, account}) {
        ::chmod(folder.c_str(), 0755);
    }
    const std::string leftovers[] = {paths.SettingsFilePath + ".tmp-a1B2c3",
                                     account + "/nb/pages.json.tmp-XyZ789"};
    const std::string kept[] = {paths.SettingsFilePath, paths.DataFolderPath + "/notes.tmp-1",
                                account + "/nb/pages.json", outside.File("x.json.tmp-abcdef")};
    for (const std::string& file : leftovers) {
        test::WriteFileBytes(file, "token");
    }
    for (const std::string& file : kept) {
        test::WriteFileBytes(file, "kept");
    }
    // A link into another folder is not walked.
    ::symlink(outside.Path().c_str(), (account + "/elsewhere").c_str());

    EXPECT_EQ(TidyDataFolders(paths, true), 2u);
    for (const std::string& file : leftovers) {
        EXPECT_FALSE(FileExists(file)) << file;
    }
    for (const std::string& file : kept) {
        EXPECT_TRUE(FileExists(file)) << file;
    }
    for (const std::string& folder : {paths.DataFolderPath, paths.StoreRootPath, account}) {
        struct stat info = {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
}

// Another agent may be between writing a temporary file and renaming it.
TEST(PathsTest, TidyingWithoutTheInstanceLockKeepsTemporaryFiles)
{
    TempDir dir;
    const AppPaths paths = BuildAppPaths(dir.Path());
    const std::string pending = paths.SettingsFilePath + ".tmp-a1B2c3";
    test::WriteFileBytes(pending, "token");
    EXPECT_EQ(TidyDataFolders(paths, false), 0u);
    EXPECT_TRUE(FileExists(pending));
}

TEST(PathsTest, UncreatableFolderIsNotFatal)
{
    TempDir dir;
    test::WriteFileBytes(dir.File("blocker"), "x");
    const AppPaths paths = BuildAppPaths(dir.File("blocker"));
    EXPECT_EQ(paths.SettingsFilePath, dir.File("blocker") + "/Tidewell/RedoZevuviva/velaapp.plist");
    EXPECT_FALSE(FileExists(paths.DataFolderPath));
}

} // namespace
} // namespace rz
