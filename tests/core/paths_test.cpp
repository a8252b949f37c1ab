#include "core/paths.h"
#include "test_support.h"
#include "util/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
